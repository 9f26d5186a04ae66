#pragma once
// A Windows command line from an argument vector, quoted so that the
// C runtime's parser (and CommandLineToArgvW) gives each argument back
// exactly as it was: spaces, tabs, quotes and backslashes included.
#include <string>
#include <vector>

namespace brindle {

std::string QuoteArgument(const std::string& argument);
std::string BuildCommandLine(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace brindle
