#pragma once
// brindle-cli commands that work on update files alone, with no device.
#include <string>
#include <vector>

namespace brindle::cli {

// inspect FILE [--model CODE | --identity TEXT]: the parser's view of FILE as
// JSON; exit 0 when the worker would send it, 1 when it would refuse it.
int RunInspect(const std::vector<std::string>& args);
// pack OUT --producer TEXT [--format-version N] [--A FILE] [--C FILE]
// [--D FILE] [--E FILE] [--brand TAG=FILE]...: writes an update file.
int RunPack(const std::vector<std::string>& args);

}  // namespace brindle::cli
