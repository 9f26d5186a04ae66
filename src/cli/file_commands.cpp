#include "cli/file_commands.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/cli_options.h"
#include "cli/cli_texts.h"
#include "core/build_config.h"
#include "core/model_tag.h"
#include "core/utf8_path.h"
#include "settings/brand_tag.h"
#include "update/byte_source.h"
#include "update/update_acceptance.h"
#include "update/update_packer.h"
#include "update/update_parser.h"

namespace brindle::cli {

namespace {

constexpr size_t kTagLength = 4;

uint32_t TagFromText(const std::string& text) { return MakeTag(text[0], text[1], text[2], text[3]); }

// The text of a fixed-size field up to its first NUL.
std::string FieldText(const uint8_t* bytes, size_t size) {
  size_t n = 0;
  while (n < size && bytes[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(bytes), n);
}

// Reads a whole regular file of at most maxSize bytes.
bool ReadInputFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& out, std::string& why) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Utf8Path(path), ec)) {
    why = "cannot read " + path + ": not a regular file";
    return false;
  }
  const uint64_t size = std::filesystem::file_size(Utf8Path(path), ec);
  if (ec || size > maxSize) {
    why = ec ? "cannot read " + path
             : path + " has " + std::to_string(size) + " bytes, at most " + std::to_string(maxSize) + " fit";
    return false;
  }
  out.resize(static_cast<size_t>(size));
  std::ifstream in(path, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size())) ||
      in.peek() != std::ifstream::traits_type::eof()) {
    why = "cannot read " + path;
    return false;
  }
  return true;
}

int Usage(const std::string& text) {
  ErrorLine() << text << "\n" << kUsage;
  return kExitUsage;
}

}  // namespace

int RunInspect(const std::vector<std::string>& args) {
  if (args.empty() || args[0].rfind("--", 0) == 0) return Usage("inspect needs FILE");
  DeviceFacts facts;
  if (args.size() == 3 && args[1] == "--model") {
    if (args[2].size() != kTagLength) return Usage("--model takes a 4-character model code");
    facts.settingsLayout = 3;
    std::copy(args[2].begin(), args[2].end(), facts.settingsBlock.begin() + layout3::kModelCode);
  } else if (args.size() == 3 && args[1] == "--identity") {
    if (args[2].size() > facts.identityBlock.size()) return Usage("--identity takes at most 256 bytes");
    facts.settingsLayout = 1;
    std::copy(args[2].begin(), args[2].end(), facts.identityBlock.begin());
  } else if (args.size() != 1) {
    return Usage("inspect takes FILE and at most one of --model CODE or --identity TEXT");
  }

  CFileSource file;
  if (!file.Open(args[0])) {
    ErrorLine() << "cannot open " << args[0] << "\n";
    return kExitFailed;
  }
  UpdateDescription description;
  const int result = ParseUpdateFile(file, description, ChooseBrandTag(facts));
  const CBuildConfig& config = CBuildConfig::Default();
  const std::string outcome = UpdateAcceptanceOutcome(result, description, config);

  using json = nlohmann::ordered_json;
  json sections = json::object();
  const std::pair<const char*, const SectionSpan*> spans[] = {{"A", &description.a},
                                                              {"B", &description.b},
                                                              {"C", &description.c},
                                                              {"D", &description.d},
                                                              {"E", &description.e}};
  for (const auto& [name, span] : spans) sections[name] = {{"offset", span->offset}, {"size", span->size}};
  const json report = {
      {"result", result},
      {"formatVersion", description.formatVersion},
      {"producer", FieldText(description.producerName.data(), trailer::kProducerCompared)},
      {"producerMatches", ProducerMatches(description, config)},
      {"sections", sections},
      {"totalSize", description.TotalSize()},
      {"outcome", outcome},
  };
  // The producer name is GBK text from the file; bytes that are not UTF-8
  // are shown as replacement characters rather than ending the program.
  std::cout << report.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
  return outcome.empty() ? kExitOk : kExitFailed;
}

int RunPack(const std::vector<std::string>& args) {
  if (args.empty() || args[0].rfind("--", 0) == 0) return Usage("pack needs OUT");
  const std::string outPath = args[0];
  bool haveProducer = false;
  UpdatePackInput input;
  std::map<std::string, std::string> sectionFiles;  // A, C, D, E
  std::vector<std::pair<uint32_t, std::string>> brandFiles;
  for (size_t i = 1; i < args.size(); i += 2) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) return Usage(option + " needs a value");
    const std::string& value = args[i + 1];
    if (option == "--producer") {
      input.producerName = value;
      haveProducer = true;
    } else if (option == "--format-version") {
      const auto n = ParseNumber(value);
      if (!n) return Usage("--format-version takes a number");
      input.formatVersion = *n;
    } else if (option == "--A" || option == "--C" || option == "--D" || option == "--E") {
      if (!sectionFiles.emplace(option.substr(2), value).second) return Usage(option + " given twice");
    } else if (option == "--brand") {
      const size_t eq = value.find('=');
      if (eq != kTagLength || eq + 1 == value.size())
        return Usage("--brand takes TAG=FILE with a 4-character TAG");
      brandFiles.emplace_back(TagFromText(value.substr(0, kTagLength)), value.substr(eq + 1));
    } else {
      return Usage("pack does not know " + option);
    }
  }
  if (!haveProducer) return Usage("pack needs --producer TEXT");

  std::string why;
  const std::map<std::string, std::vector<uint8_t>*> targets = {
      {"A", &input.a}, {"C", &input.c}, {"D", &input.d}, {"E", &input.e}};
  const std::map<std::string, uint32_t> limits = {{"A", trailer::kMaxSectionASize},
                                                  {"C", trailer::kMaxSectionCSize},
                                                  {"D", trailer::kMaxSectionDSize},
                                                  {"E", trailer::kMaxSectionESize}};
  for (const auto& [name, path] : sectionFiles) {
    if (!ReadInputFile(path, limits.at(name), *targets.at(name), why)) {
      ErrorLine() << "section " << name << ": " << why << "\n";
      return kExitFailed;
    }
  }
  for (const auto& [tag, path] : brandFiles) {
    input.brands.push_back({tag, {}});
    if (!ReadInputFile(path, std::numeric_limits<uint32_t>::max(), input.brands.back().data, why)) {
      ErrorLine() << "brand section: " << why << "\n";
      return kExitFailed;
    }
  }
  std::vector<uint8_t> packed;
  if (!PackUpdateFile(input, packed, why)) {
    ErrorLine() << why << "\n";
    return kExitFailed;
  }
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
  if (!out.flush()) {
    ErrorLine() << "cannot write " << outPath << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace brindle::cli
