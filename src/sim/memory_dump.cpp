#include "sim/memory_dump.h"

#include <fstream>

namespace brindle {

bool WriteSimMemoryDump(const CSimDevice& device, const std::string& dir, std::string& error) {
  for (uint8_t area : {uint8_t{0}, uint8_t{1}}) {
    const std::string path = dir + "/area" + std::to_string(area) + ".bin";
    const std::vector<uint8_t> mem = device.AreaCopy(area);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(mem.data()), static_cast<std::streamsize>(mem.size()));
    if (!out.flush()) {
      error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

}  // namespace brindle
