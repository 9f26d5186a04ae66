#pragma once
// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace brindle::test {

class CTempDir {
 public:
  CTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brindle-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_path = pattern;
  }
  ~CTempDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  CTempDir(const CTempDir&) = delete;
  CTempDir& operator=(const CTempDir&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

}  // namespace brindle::test
