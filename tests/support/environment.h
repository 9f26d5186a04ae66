#pragma once
// Setting and removing this process's environment variables, on Linux and
// on Windows (where the programs the tests start inherit the change too).
#include <cstdlib>
#include <string>

namespace brindle::test {

inline void SetEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnvironment(const std::string& name) {
#ifdef _WIN32
  _putenv_s(name.c_str(), "");  // an empty value removes the variable
#else
  unsetenv(name.c_str());
#endif
}

// The variable's value, empty when it is not set.
inline std::string EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

// The variable that moves the programs' working folder, and that folder
// under a base given in it: $XDG_CACHE_HOME/brindle on Linux,
// %LOCALAPPDATA%\Brindle on Windows.
#ifdef _WIN32
inline constexpr const char* kWorkingFolderVariable = "LOCALAPPDATA";
inline std::string WorkingFolderUnder(const std::string& base) { return base + "/Brindle"; }
#else
inline constexpr const char* kWorkingFolderVariable = "XDG_CACHE_HOME";
inline std::string WorkingFolderUnder(const std::string& base) { return base + "/brindle"; }
#endif

}  // namespace brindle::test
