#pragma once
// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace brindle::test {

class CTempDir {
 public:
  CTempDir() {
#ifdef _WIN32
    // No mkdtemp: a random name that create_directory refuses when taken.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
      const auto candidate =
          std::filesystem::temp_directory_path() / ("brindle-test-" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) m_path = candidate.generic_string();
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "brindle-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_path = pattern;
#endif
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
