#pragma once
// Where an update file's bytes come from: an open file for the worker and the
// console, memory for the fuzzer and tests. Reads name their offset, so no
// caller depends on a file position left behind by another.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace brindle {

class IByteSource {
 public:
  virtual ~IByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Copies up to n bytes from offset into out; returns how many were copied
  // (fewer at the end of the data or on a read error).
  virtual size_t ReadAt(uint64_t offset, uint8_t* out, size_t n) = 0;
  // False when the bytes may have changed since the source was opened.
  virtual bool Unchanged() const { return true; }
};

// A regular file opened for reading in binary mode.
class CFileSource : public IByteSource {
 public:
  // False when path is not a regular file or cannot be opened; a FIFO or a
  // device node is refused so that opening it cannot block.
  bool Open(const std::string& path);
  bool IsOpen() const { return m_file != nullptr; }
  uint64_t Size() const override { return m_size; }
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t n) override;
  // The open file still has the size and modification time it had at Open:
  // nobody wrote to it since (a file replaced by another name keeps ours).
  bool Unchanged() const override;

 private:
  struct Stamp {
    int64_t size = -1;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanos = 0;
    bool operator==(const Stamp&) const = default;
  };
  Stamp TakeStamp() const;
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> m_file;  // closed when the source goes
  uint64_t m_size = 0;                        // size at the time of Open
  Stamp m_opened;                             // stamp at the time of Open
};

// Bytes owned by someone else, alive as long as the source is used.
class CMemorySource : public IByteSource {
 public:
  CMemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint64_t Size() const override { return m_size; }
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t n) override;

 private:
  const uint8_t* m_data;
  size_t m_size;
};

}  // namespace brindle
