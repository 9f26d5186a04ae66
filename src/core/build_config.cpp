#include "core/build_config.h"

#ifndef BRINDLE_COMPANY_NAME
#define BRINDLE_COMPANY_NAME "Valdemo Tech Co."
#endif

namespace brindle {

const CBuildConfig& CBuildConfig::Default() {
  // The version-file hosts are placeholders under the reserved .example
  // domain until the brands' real servers are configured for a build.
  static const CBuildConfig config{
      BRINDLE_COMPANY_NAME,
      {
          {"Nerv/Pindar", "http://downloads.nerv-pindar.example/UserFiles/File/nervan.txt"},
          {"Gravo", "http://downloads.gravo.example/ditu/kt410x/kt410xUP.txt"},
          {"Kelvax", "http://downloads.kelvax.example/File/kelvaxo.txt"},
      },
  };
  return config;
}

}  // namespace brindle
