// Writes a small seed corpus of well-formed update files into the folder
// given: each exercises a different path of the parser.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/model_tag.h"
#include "update/update_packer.h"
#include "update/update_parser.h"

using namespace brindle;

namespace {

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: update_file_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<std::pair<std::string, UpdatePackInput>> seeds;
  UpdatePackInput in;
  in.producerName = "Valdemo Tech Co.";
  seeds.emplace_back("empty", in);
  in.a = Bytes(40, 1);
  in.c = Bytes(8, 2);
  in.d = Bytes(4, 3);
  in.e = Bytes(12, 4);
  seeds.emplace_back("sections", in);
  in.brands = {{MakeTag('R', 'Q', 'Z', 'D'), Bytes(16, 5)}};
  seeds.emplace_back("one_brand", in);
  in.brands.push_back({MakeTag('E', 'X', 'O', ' '), Bytes(24, 6)});
  in.brands.push_back({MakeTag('B', 'R', '0', '1'), Bytes(7, 7)});
  seeds.emplace_back("three_brands", in);
  in.formatVersion = 2;
  seeds.emplace_back("old_version", in);
  for (const auto& [name, input] : seeds) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!PackUpdateFile(input, bytes, why)) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), why.c_str());
      return 1;
    }
    std::ofstream out(dir + "/" + name + ".dwm", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "cannot write %s/%s.dwm\n", dir.c_str(), name.c_str());
      return 1;
    }
  }
  return 0;
}
