#include "online/windows/command_line.h"

namespace brindle {

std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote: doubled there, plus one for
    // the quote itself.
    if (c == '"')
      quoted.append(backslashes * 2 + 1, '\\');
    else
      quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  // Before the closing quote they must not escape it.
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string BuildCommandLine(const std::string& program, const std::vector<std::string>& arguments) {
  // The program's own name is parsed by other rules (no backslash escapes);
  // a path never holds a quote, so plain quotes suffice.
  std::string line = "\"" + program + "\"";
  for (const std::string& a : arguments) line += " " + QuoteArgument(a);
  return line;
}

}  // namespace brindle
