#include "sim/sim_profile.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {

std::array<uint8_t, 256> DefaultSimSettings() {
  std::array<uint8_t, 256> s{};
  const char model[4] = {'B', 'R', '0', '1'};
  std::copy(model, model + 4, s.begin() + 0x04);
  StoreLE32(&s[0x08], 1008);  // program version
  s[0x10] = 0x80 | 0x40;      // can display the frequency, and does
  s[0x12] = 1;                // time zone
  const int8_t counts[5] = {1, 1, 4, 5, 1};
  const uint16_t ranges[12][2] = {{10500, 10550}, {13400, 13500}, {24050, 24100}, {24100, 24150},
                                  {24150, 24200}, {24200, 24250}, {33400, 33800}, {33800, 34200},
                                  {34200, 34600}, {34600, 35000}, {35000, 36000}, {0, 0}};
  for (int i = 0; i < 5; ++i) s[0x13 + i] = static_cast<uint8_t>(counts[i]);
  for (int i = 0; i < 12; ++i) {
    s[0x18 + i] = 1;
    StoreLE16(&s[0x3F + 4 * i], ranges[i][0]);
    StoreLE16(&s[0x3F + 4 * i + 2], ranges[i][1]);
  }
  s[0x30] = 1;                      // feature level
  s[0x32] = 7;                      // day starts
  s[0x33] = 19;                     // night starts
  s[0x34] = 1;                      // radar module identified
  StoreLE32(&s[0x37], 14);          // settings revision
  StoreLE32(&s[0x3B], 0x12345678);  // layout-3 magic
  StoreLE32(&s[0x00], ByteSum(&s[0x04], 59));
  return s;
}

SimProfile DefaultSimProfile() {
  SimProfile p;
  p.identity.fill(0xFF);
  p.settings = DefaultSimSettings();
  return p;
}

namespace {

bool ParseHex(const std::string& text, std::string& bytes, std::string& error) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string digits;
  for (char c : text)
    if (c != ' ' && c != ':' && c != '-') digits.push_back(c);
  if (digits.size() % 2 != 0) {
    error = "odd number of hex digits";
    return false;
  }
  bytes.clear();
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int hi = nibble(digits[i]);
    const int lo = nibble(digits[i + 1]);
    if (hi < 0 || lo < 0) {
      error = "not a hex digit in \"" + digits.substr(i, 2) + "\"";
      return false;
    }
    bytes.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

// "blank", "text:..." or "hex:..." into a 256-byte block.
bool ParseBlock(const std::string& key, const std::string& value, bool allowShort,
                std::array<uint8_t, 256>& block, std::string& error) {
  std::string bytes;
  if (value == "blank") {
    block.fill(0xFF);
    return true;
  }
  if (value.rfind("text:", 0) == 0) {
    bytes = value.substr(5);
  } else if (value.rfind("hex:", 0) == 0) {
    if (!ParseHex(value.substr(4), bytes, error)) {
      error = key + ": " + error;
      return false;
    }
  } else {
    error = key + ": expected \"blank\", \"text:...\" or \"hex:...\"";
    return false;
  }
  if (bytes.size() > block.size() || (!allowShort && bytes.size() != block.size())) {
    error = key + ": a block holds 256 bytes, got " + std::to_string(bytes.size());
    return false;
  }
  block.fill(0);
  std::copy(bytes.begin(), bytes.end(), block.begin());
  return true;
}

bool GetInt(const nlohmann::json& j, const std::string& key, int64_t lo, int64_t hi, int64_t& out,
            std::string& error) {
  if (!j.is_number_integer()) {
    error = key + ": expected an integer";
    return false;
  }
  const int64_t v = j.is_number_unsigned() && j.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)
                        ? INT64_MAX
                        : j.get<int64_t>();
  if (v < lo || v > hi) {
    error = key + ": " + std::to_string(v) + " is out of range";
    return false;
  }
  out = v;
  return true;
}

}  // namespace

bool ParseSimProfile(const std::string& json, SimProfile& profile, std::string& error) {
  const nlohmann::json doc = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded()) {
    error = "the profile is not valid JSON";
    return false;
  }
  if (!doc.is_object()) {
    error = "the profile must be a JSON object";
    return false;
  }
  for (const auto& [key, value] : doc.items()) {
    int64_t n = 0;
    if (key == "version") {
      // -2 .. 0xFFFFFFFF: the firmware answers a 32-bit value.
      if (!GetInt(value, key, INT32_MIN, UINT32_MAX, n, error)) return false;
      profile.version = static_cast<uint32_t>(n);
    } else if (key == "dataSeconds") {
      if (!GetInt(value, key, 0, UINT32_MAX, n, error)) return false;
      profile.dataSeconds = static_cast<uint32_t>(n);
    } else if (key == "identity" || key == "settings") {
      if (!value.is_string()) {
        error = key + ": expected a string";
        return false;
      }
      auto& block = key == "identity" ? profile.identity : profile.settings;
      if (!ParseBlock(key, value.get<std::string>(), key == "identity", block, error)) return false;
    } else if (key == "link") {
      // "instant": reports move as fast as the host moves them;
      // "full-speed": one report per 1 ms frame, as on a USB full-speed link.
      const std::string link = value.is_string() ? value.get<std::string>() : std::string();
      if (link == "instant") {
        profile.frameMicros = 0;
      } else if (link == "full-speed") {
        profile.frameMicros = kFullSpeedFrameMicros;
      } else {
        error = "link: expected \"instant\" or \"full-speed\"";
        return false;
      }
    } else if (key == "faults") {
      if (!value.is_object()) {
        error = "faults: expected an object";
        return false;
      }
      for (const auto& [fkey, fvalue] : value.items()) {
        const std::string name = "faults." + fkey;
        int64_t* target = nullptr;
        int64_t lo = 0;
        if (fkey == "failWrites")
          target = &profile.faults.failWrites;
        else if (fkey == "lyingStatus")
          target = &profile.faults.lyingStatus;
        else if (fkey == "badStore")
          target = &profile.faults.badStore;
        else if (fkey == "corruptReplies")
          target = &profile.faults.corruptReplies;
        else if (fkey == "reportDelayMicros")
          target = &profile.faults.reportDelayMicros;
        else if (fkey == "silentAfterReports")
          target = &profile.faults.silentAfterReports, lo = -1;
        else if (fkey == "unplugAfterReports")
          target = &profile.faults.unplugAfterReports, lo = -1;
        if (!target) {
          error = "unknown key " + name;
          return false;
        }
        // A report delay above ten seconds would only hang the caller.
        const int64_t hi = fkey == "reportDelayMicros" ? 10'000'000 : INT64_MAX;
        if (!GetInt(fvalue, name, lo, hi, *target, error)) return false;
      }
    } else {
      error = "unknown key " + key;
      return false;
    }
  }
  return true;
}

bool LoadSimProfile(const std::string& path, SimProfile& profile, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the profile " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (!ParseSimProfile(text.str(), profile, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace brindle
