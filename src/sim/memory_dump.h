#pragma once
// Writes the model's memory to DIR/area0.bin and DIR/area1.bin: whole areas,
// byte address = block x 256, the layout brindle-cli's --sim-dump writes.
#include <string>

#include "sim/sim_device.h"

namespace brindle {

bool WriteSimMemoryDump(const CSimDevice& device, const std::string& dir, std::string& error);

}  // namespace brindle
