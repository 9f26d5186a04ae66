#pragma once
// Zip archives whose entries are stored (not compressed), written by the
// tests themselves: any zip tool unpacks them, and so does the stand-in
// archiver the Windows tests use in 7-Zip's place.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brindle::test {

inline uint32_t ZipCrc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const unsigned char c : bytes) {
    crc ^= c;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// entries: the path inside the archive ("db/a.dwm", '/' between folders)
// and the bytes of each file.
inline std::string StoredZip(const std::map<std::string, std::string>& entries) {
  const auto le = [](std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  std::string archive, directory;
  for (const auto& [name, bytes] : entries) {
    const uint32_t offset = static_cast<uint32_t>(archive.size());
    const uint32_t crc = ZipCrc32(bytes);
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    // Local header: version 1.0, no flags, method 0 (stored), no time.
    le(archive, 0x04034B50, 4);
    le(archive, 10, 2);
    le(archive, 0, 2);
    le(archive, 0, 2);
    le(archive, 0, 2);
    le(archive, 0x21, 2);
    le(archive, crc, 4);
    le(archive, size, 4);
    le(archive, size, 4);
    le(archive, static_cast<uint32_t>(name.size()), 2);
    le(archive, 0, 2);
    archive += name + bytes;
    // Its central directory entry.
    le(directory, 0x02014B50, 4);
    le(directory, 10, 2);
    le(directory, 10, 2);
    le(directory, 0, 2);
    le(directory, 0, 2);
    le(directory, 0, 2);
    le(directory, 0x21, 2);
    le(directory, crc, 4);
    le(directory, size, 4);
    le(directory, size, 4);
    le(directory, static_cast<uint32_t>(name.size()), 2);
    le(directory, 0, 2);
    le(directory, 0, 2);
    le(directory, 0, 2);
    le(directory, 0, 2);
    le(directory, 0, 4);
    le(directory, offset, 4);
    directory += name;
  }
  const uint32_t directoryOffset = static_cast<uint32_t>(archive.size());
  archive += directory;
  le(archive, 0x06054B50, 4);
  le(archive, 0, 2);
  le(archive, 0, 2);
  le(archive, static_cast<uint32_t>(entries.size()), 2);
  le(archive, static_cast<uint32_t>(entries.size()), 2);
  le(archive, static_cast<uint32_t>(directory.size()), 4);
  le(archive, directoryOffset, 4);
  le(archive, 0, 2);
  return archive;
}

}  // namespace brindle::test
