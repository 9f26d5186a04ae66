#pragma once
// Zip archives whose entries are stored (not compressed), written by the
// tests themselves: any zip tool unpacks them, and so does the stand-in
// archiver the Windows tests use in 7-Zip's place.
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
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
  // Little-endian fields, each {value, width in bytes}.
  using Fields = std::initializer_list<std::pair<uint32_t, int>>;
  const auto put = [](std::string& out, Fields fields) {
    for (const auto& [value, width] : fields)
      for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  std::string archive, directory;
  for (const auto& [name, bytes] : entries) {
    const uint32_t offset = static_cast<uint32_t>(archive.size());
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    // What a local header and its central directory entry share: version 1.0
    // needed, no flags, method 0 (stored), no time, 1980-01-01, the CRC, both
    // sizes (equal: stored), the name's length, no extra field.
    const Fields shared{{10, 2},   {0, 2},    {0, 2},
                        {0, 2},    {0x21, 2}, {ZipCrc32(bytes), 4},
                        {size, 4}, {size, 4}, {static_cast<uint32_t>(name.size()), 2},
                        {0, 2}};
    put(archive, {{0x04034B50, 4}});
    put(archive, shared);
    archive += name + bytes;
    // The central directory entry: made by 1.0; after the shared fields no
    // comment, disk 0, no attributes, and where the local header is.
    put(directory, {{0x02014B50, 4}, {10, 2}});
    put(directory, shared);
    put(directory, {{0, 2}, {0, 2}, {0, 2}, {0, 4}, {offset, 4}});
    directory += name;
  }
  const uint32_t count = static_cast<uint32_t>(entries.size());
  const uint32_t directorySize = static_cast<uint32_t>(directory.size());
  const uint32_t directoryOffset = static_cast<uint32_t>(archive.size());
  archive += directory;
  // End of the central directory: one disk, every entry on it, no comment.
  put(archive, {{0x06054B50, 4},
                {0, 2},
                {0, 2},
                {count, 2},
                {count, 2},
                {directorySize, 4},
                {directoryOffset, 4},
                {0, 2}});
  return archive;
}

}  // namespace brindle::test
