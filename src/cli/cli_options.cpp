#include "cli/cli_options.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace brindle::cli {

const char* const kUsage =
    "Usage: brindle-cli [--simulate[=PROFILE.json]] [--sim-dump=DIR] [--read-timeout=MS]\n"
    "                   COMMAND [ARGS]\n"
    "   or: brindle-cli --version | --help\n"
    "Options:\n"
    "  --simulate         use the built-in simulated device instead of a connected one\n"
    "  --simulate=PROFILE.json\n"
    "                     the simulated device answers as the JSON profile says\n"
    "  --sim-dump=DIR     with --simulate: afterwards write the simulated device's\n"
    "                     memory to DIR/area0.bin and DIR/area1.bin\n"
    "  --read-timeout=MS  how long a report read waits for the device (default 20000)\n"
    "  --version          print the program's version\n"
    "  --help             print this help\n"
    "Commands:\n"
    "  version            print the device's answer to QueryVersion\n"
    "  read AREA BLOCK    hex dump of one 256-byte block (decimal or 0x hex)\n"
    "  identify           open and identify the device as the window does (JSON)\n"
    "  settings [--set NAME=VALUE]...\n"
    "                     the Setting button's form (JSON); with --set (timeZone, dayStart,\n"
    "                     nightStart numbers; box.I, frequency 0 or 1) confirm and write it\n"
    "  inspect FILE [--model CODE | --identity TEXT]\n"
    "                     how the update worker would see FILE (JSON); no device\n"
    "  pack OUT --producer TEXT [SECTIONS]\n"
    "                     write an update file from the sections --A, --C, --D, --E FILE\n"
    "                     and --brand TAG=FILE (repeatable), format version 3 unless\n"
    "                     --format-version N; no device\n"
    "  update FILE [--verify]\n"
    "                     identify the device, then send the update file FILE as the\n"
    "                     Update button does; progress on stderr, outcome on stdout;\n"
    "                     --verify: read every block back before it counts as done\n"
    "  verify FILE        identify the device, then read back what FILE would write\n"
    "                     and compare; nothing is sent\n"
    "  update --archive-url URL\n"
    "                     the same from an update archive: download, unpack, send\n"
    "  download URL OUT   fetch URL into OUT with the downloader; no device\n";

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const ArgumentUse use = ParseBackendArgument(a, o.device, error);
    if (use == ArgumentUse::kBad) return std::nullopt;
    if (use == ArgumentUse::kTaken) continue;
    if (a.rfind("--sim-dump=", 0) == 0) {
      o.simDumpDir = a.substr(11);
      if (o.simDumpDir.empty()) {
        error = "--sim-dump= needs a folder";
        return std::nullopt;
      }
    } else if (o.command.empty() && a.rfind("--read-timeout=", 0) == 0) {
      // Bounded below so that a reply can still arrive, above so a wait ends.
      const auto ms = ParseNumber(a.substr(15));
      if (!ms || *ms < 10 || *ms > 600000) {
        error = "--read-timeout= needs milliseconds from 10 to 600000";
        return std::nullopt;
      }
      o.readTimeoutMs = static_cast<int>(*ms);
    } else if (o.command.empty() && a.rfind("--", 0) == 0) {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (o.command.empty()) {
      o.command = a;
    } else {
      o.args.push_back(a);
    }
  }
  if (o.command.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  if (!o.simDumpDir.empty() && !o.device.simulate) {
    error = "--sim-dump needs --simulate";
    return std::nullopt;
  }
  return o;
}

std::optional<uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return std::nullopt;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(begin, &end, hex ? 16 : 10);
  if (errno != 0 || end == begin || *end != '\0' || v > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(v);
}

}  // namespace brindle::cli
