// The packer as the parser's inverse, and its stored trailer bytes.
#include "update/update_packer.h"

#include <gtest/gtest.h>

#include "update_file_builder.h"

namespace brindle {
namespace {

using test::Bytes;

std::vector<uint8_t> At(const std::vector<uint8_t>& file, const SectionSpan& s) {
  return {file.begin() + static_cast<std::ptrdiff_t>(s.offset),
          file.begin() + static_cast<std::ptrdiff_t>(s.offset + s.size)};
}

TEST(UpdatePacker, RoundTripThroughTheParser) {
  const uint32_t tags[] = {MakeTag('B', 'R', '0', '1'), MakeTag('R', 'Q', 'Z', 'D'),
                           MakeTag('E', 'X', 'O', ' ')};
  UpdatePackInput input =
      test::Input("Valdemo Tech Co.", Bytes(0x7000, 1), Bytes(1, 2), {}, Bytes(513, 4),
                  {{tags[0], Bytes(100, 5)}, {tags[1], Bytes(3, 6)}, {tags[2], Bytes(256, 7)}});
  input.formatVersion = 7;
  const auto file = test::Pack(input);
  ASSERT_FALSE(file.empty());

  for (size_t i = 0; i < 2; ++i) {
    UpdateDescription d;
    ASSERT_EQ(test::Parse(file, d, i == 1 ? tags[1] : 0), kParseOk);
    if (i == 1) {
      EXPECT_EQ(At(file, d.b), input.brands[1].data);
      continue;
    }
    EXPECT_EQ(d.formatVersion, 7u);
    EXPECT_EQ(At(file, d.a), input.a);
    EXPECT_EQ(At(file, d.c), input.c);
    EXPECT_EQ(d.d.size, 0u);
    EXPECT_EQ(At(file, d.e), input.e);
    EXPECT_EQ(d.b.size, 0u);  // three entries, none for a device with no model code
  }
  // The brand table keeps the order given.
  const UpdateTrailer t = test::ReadTrailer(file);
  EXPECT_EQ(LoadLE32(file.data() + t.brandTableOffset), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const BrandEntry e = DecodeBrandEntry(file.data() + t.brandTableOffset + 4 + 16 * i);
    EXPECT_EQ(e.tag, tags[i]);
    const SectionSpan span{t.brandTableOffset + e.offset, e.size};
    EXPECT_EQ(At(file, span), input.brands[i].data);
  }
  EXPECT_EQ(t.brandTableOffset + t.brandAreaSize, file.size() - trailer::kSize);
}

TEST(UpdatePacker, TrailerIsStoredScrambled) {
  const auto file = test::Pack(test::Input("Valdemo Tech Co."));
  ASSERT_EQ(file.size(), trailer::kSize);
  // Length 316 (3C 01 00 00) and version 3 XOR "ZEPH" "RAGT".
  const std::vector<uint8_t> head(file.begin(), file.begin() + 8);
  EXPECT_EQ(head, (std::vector<uint8_t>{0x3C ^ 'Z', 0x01 ^ 'E', 'P', 'H', 0x03 ^ 'R', 'A', 'G', 'T'}));
  // The producer name starts at 8, where the key starts over.
  EXPECT_EQ(file[8], 'V' ^ 'Z');
  EXPECT_EQ(file[9], 'a' ^ 'E');
}

TEST(UpdatePacker, RefusesWhatCannotBeWellFormed) {
  struct Case {
    const char* name;
    UpdatePackInput input;
  };
  const Case cases[] = {
      {"A over", test::Input("x", Bytes(0x7001, 0))},
      {"C over", test::Input("x", {}, Bytes(0xC8001, 0))},
      {"D over", test::Input("x", {}, {}, Bytes(0x200001, 0))},
      {"E over", test::Input("x", {}, {}, {}, Bytes(0x522001, 0))},
      {"producer over 256 bytes", test::Input(std::string(257, 'p'))},
      {"brand section over its region",
       test::Input("x", {}, {}, {}, {}, {{1, Bytes(10, 0)}, {2, Bytes(0xD001, 0)}})},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out{1, 2, 3};
    std::string why;
    EXPECT_EQ(PackUpdateFile(c.input, out, why), 0) << c.name;
    EXPECT_FALSE(why.empty()) << c.name;
    EXPECT_TRUE(out.empty()) << c.name;
  }
  std::vector<uint8_t> out;
  std::string why;
  EXPECT_EQ(PackUpdateFile(test::Input(std::string(256, 'p')), out, why), 1);
  EXPECT_EQ(PackUpdateFile(test::Input("x", {}, {}, {}, {}, {{1, Bytes(0xD000, 0)}}), out, why), 1);
}

}  // namespace
}  // namespace brindle
