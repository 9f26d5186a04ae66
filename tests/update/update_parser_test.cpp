// ParseUpdateFile on files made by the packer and edited into each fault.
#include "update/update_parser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core/byte_sum.h"
#include "temp_dir.h"
#include "update_file_builder.h"

namespace brindle {
namespace {

using test::Bytes;
using test::EditTrailer;
using test::Pack;
using test::Parse;

constexpr uint32_t kTagBr01 = MakeTag('B', 'R', '0', '1');
constexpr uint32_t kTagOther = MakeTag('Z', 'Z', '9', '9');
constexpr uint32_t kTagRqzd = MakeTag('R', 'Q', 'Z', 'D');
constexpr uint32_t kTagExo = MakeTag('E', 'X', 'O', ' ');

std::vector<uint8_t> SectionAOnly(size_t size = 100) {
  return Pack(test::Input(test::kCompany, Bytes(size, 1)));
}

TEST(ParseUpdateFile, AcceptsAPackedFile) {
  const auto file = Pack(test::Input(test::kCompany, Bytes(10, 1), Bytes(20, 2), Bytes(30, 3), Bytes(40, 4),
                                     {{kTagBr01, Bytes(50, 5)}}));
  UpdateDescription d;
  ASSERT_EQ(Parse(file, d), kParseOk);
  EXPECT_EQ(d.formatVersion, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.producerName.data())), test::kCompany);
  EXPECT_EQ(d.a.offset, 0u);
  EXPECT_EQ(d.a.size, 10u);
  EXPECT_EQ(d.c.offset, 10u);
  EXPECT_EQ(d.d.offset, 30u);
  EXPECT_EQ(d.e.offset, 60u);
  EXPECT_EQ(d.e.size, 40u);
  // Brand table at 100: count and one entry (20 bytes), then the section.
  EXPECT_EQ(d.b.offset, 120u);
  EXPECT_EQ(d.b.size, 50u);
  EXPECT_EQ(d.TotalSize(), 150u);
}

TEST(ParseUpdateFile, RefusesABadTrailer) {
  struct Case {
    const char* name;
    std::function<void(UpdateTrailer&)> edit;
    bool reseal;
  };
  const Case cases[] = {
      {"checksum off by one", [](UpdateTrailer& t) { t.trailerChecksum += 1; }, false},
      {"checksum byte 3 off", [](UpdateTrailer& t) { t.trailerChecksum ^= 0x01000000; }, false},
      {"field changed, old checksum", [](UpdateTrailer& t) { t.producerName[20] ^= 0x40; }, false},
      {"reserved changed, old checksum", [](UpdateTrailer& t) { t.reserved[1] = 1; }, false},
      {"length field 300", [](UpdateTrailer& t) { t.trailerLength = 300; }, true},
      {"length field 320", [](UpdateTrailer& t) { t.trailerLength = 320; }, true},
      {"format version 2", [](UpdateTrailer& t) { t.formatVersion = 2; }, true},
      {"format version 0", [](UpdateTrailer& t) { t.formatVersion = 0; }, true},
  };
  for (const Case& c : cases) {
    auto file = SectionAOnly();
    EditTrailer(file, c.edit, c.reseal);
    UpdateDescription d;
    EXPECT_EQ(Parse(file, d), kParseBadTrailer) << c.name;
    EXPECT_EQ(d.TotalSize(), 0u) << c.name;
  }
  // The reserved words and the unread tail of the producer name are not
  // checked beyond the checksum.
  auto file = SectionAOnly();
  EditTrailer(file, [](UpdateTrailer& t) {
    t.reserved = {1, 2, 3};
    t.producerName[200] = 'x';
    t.formatVersion = 0xFFFFFFFF;  // "3 or more", unsigned
  });
  UpdateDescription d;
  EXPECT_EQ(Parse(file, d), kParseOk);
}

TEST(ParseUpdateFile, SizeLimitsAtTheLimitAndOneOver) {
  struct Case {
    const char* name;
    uint32_t limit;
    std::vector<uint8_t> UpdatePackInput::*section;
    uint32_t UpdateTrailer::*size;
  };
  const Case cases[] = {
      {"A", 0x7000, &UpdatePackInput::a, &UpdateTrailer::sectionASize},
      {"C", 0xC8000, &UpdatePackInput::c, &UpdateTrailer::sectionCSize},
      {"D", 0x200000, &UpdatePackInput::d, &UpdateTrailer::sectionDSize},
      {"E", 0x522000, &UpdatePackInput::e, &UpdateTrailer::sectionESize},
  };
  for (const Case& c : cases) {
    UpdatePackInput input = test::Input(test::kCompany);
    input.*c.section = Bytes(c.limit, 9);
    auto file = Pack(input);
    ASSERT_FALSE(file.empty()) << c.name;
    UpdateDescription d;
    EXPECT_EQ(Parse(file, d), kParseOk) << c.name;
    EXPECT_EQ(d.TotalSize(), c.limit) << c.name;
    // One more byte still lies inside the file (the trailer follows), so
    // only the limit refuses it.
    EditTrailer(file, [&](UpdateTrailer& t) { t.*c.size = c.limit + 1; });
    EXPECT_EQ(Parse(file, d), kParseBadTrailer) << c.name;
  }
}

TEST(ParseUpdateFile, RefusesFilesShorterThanTheTrailer) {
  const auto good = SectionAOnly(0);
  ASSERT_EQ(good.size(), trailer::kSize);
  UpdateDescription d;
  EXPECT_EQ(Parse(good, d), kParseOk);  // a bare trailer is a file
  for (size_t size : {size_t{0}, size_t{1}, trailer::kSize - 1}) {
    const std::vector<uint8_t> cut(good.end() - static_cast<std::ptrdiff_t>(size), good.end());
    EXPECT_EQ(Parse(cut, d), kParseBadTrailer) << size;
  }
}

// The older layout: 304 bytes, length field 300, no format version, the
// sections one word earlier and the checksum at 300.
TEST(ParseUpdateFile, RefusesTheOlder304ByteTrailer) {
  std::vector<uint8_t> file = Bytes(1000, 3);
  std::vector<uint8_t> old(304, 0);
  StoreLE32(old.data(), 300);
  std::memcpy(old.data() + 4, test::kCompany, 16);
  StoreLE32(old.data() + 260, 0);     // section A offset
  StoreLE32(old.data() + 264, 1000);  // section A size
  StoreLE32(old.data() + 300, ByteSum(old.data(), 300));
  for (size_t i = 0; i < old.size(); ++i) old[i] ^= trailer::kScrambleKey[i % 8];
  file.insert(file.end(), old.begin(), old.end());
  UpdateDescription d;
  EXPECT_EQ(Parse(file, d), kParseBadTrailer);
}

TEST(ParseUpdateFile, RefusesSectionsOutsideTheFile) {
  struct Case {
    const char* name;
    uint32_t UpdateTrailer::*offset;
    uint32_t UpdateTrailer::*size;
  };
  const Case cases[] = {
      {"A", &UpdateTrailer::sectionAOffset, &UpdateTrailer::sectionASize},
      {"C", &UpdateTrailer::sectionCOffset, &UpdateTrailer::sectionCSize},
      {"D", &UpdateTrailer::sectionDOffset, &UpdateTrailer::sectionDSize},
      {"E", &UpdateTrailer::sectionEOffset, &UpdateTrailer::sectionESize},
  };
  const auto base = Pack(test::Input(test::kCompany, Bytes(0x1000, 1)));
  const auto fileSize = static_cast<uint32_t>(base.size());
  struct Span {
    uint32_t offset, size;
    int expected;
  };
  const Span spans[] = {
      {fileSize - 0x100, 0x100, kParseOk},         // ends at the last byte
      {fileSize - 0xFF, 0x100, kParseBadTrailer},  // one byte past the end
      {fileSize, 1, kParseBadTrailer},             // starts at the end
      {0xFFFFFF00, 0x200, kParseBadTrailer},       // offset + size wraps in 32 bits
      {0xFFFFFFFF, 0, kParseOk},                   // absent: its offset is not looked at
  };
  for (const Case& c : cases) {
    for (const Span& s : spans) {
      auto file = base;
      EditTrailer(file, [&](UpdateTrailer& t) {
        t.*c.offset = s.offset;
        t.*c.size = s.size;
      });
      UpdateDescription d;
      EXPECT_EQ(Parse(file, d), s.expected) << c.name << " at " << s.offset << " size " << s.size;
    }
  }
}

class BrandLookup : public testing::Test {
 protected:
  // Brand sections of distinct sizes, so the size tells which was picked.
  static std::vector<uint8_t> File(std::vector<uint32_t> tags) {
    UpdatePackInput input = test::Input(test::kCompany);
    uint8_t size = 10;
    for (uint32_t tag : tags) input.brands.push_back({tag, Bytes(size++, 7)});
    return Pack(input);
  }
  static uint32_t PickedSize(const std::vector<uint8_t>& file, uint32_t brandTag) {
    UpdateDescription d;
    EXPECT_EQ(Parse(file, d, brandTag), kParseOk);
    return d.b.size;
  }
};

TEST_F(BrandLookup, FirstMatchingEntryWins) {
  const auto file = File({kTagOther, kTagBr01, kTagRqzd, kTagBr01});
  EXPECT_EQ(PickedSize(file, kTagBr01), 11u);
  EXPECT_EQ(PickedSize(file, kTagOther), 10u);
  EXPECT_EQ(PickedSize(file, kTagRqzd), 12u);
}

TEST_F(BrandLookup, SingleEntryIsUsedWhateverItsTag) {
  const auto file = File({kTagExo});
  EXPECT_EQ(PickedSize(file, kTagBr01), 10u);
  EXPECT_EQ(PickedSize(file, 0), 10u);
}

TEST_F(BrandLookup, TwoEntriesWithoutMatchGiveNoBrandSection) {
  const auto file = File({kTagExo, kTagRqzd});
  UpdateDescription d;
  EXPECT_EQ(Parse(file, d, kTagBr01), kParseOk);
  EXPECT_EQ(d.b.offset, 0u);
  EXPECT_EQ(d.b.size, 0u);
  EXPECT_EQ(d.TotalSize(), 0u);
}

TEST_F(BrandLookup, EmptyTableGivesNoBrandSection) {
  auto file = File({kTagBr01});
  const UpdateTrailer t = test::ReadTrailer(file);
  StoreLE32(file.data() + t.brandTableOffset, 0);
  EXPECT_EQ(PickedSize(file, kTagBr01), 0u);
}

TEST_F(BrandLookup, RefusesUnreadableTables) {
  const auto base = File({kTagBr01, kTagOther});
  const UpdateTrailer t = test::ReadTrailer(base);
  // Bytes after the entry count up to the end of the file, trailer included.
  const uint64_t room = base.size() - t.brandTableOffset - brand_table::kEntries;
  struct Case {
    const char* name;
    uint32_t entryCount;
    int expected;
  };
  const Case cases[] = {
      {"largest count the file can hold", static_cast<uint32_t>(room / 16), kParseOk},
      {"table one entry past the end", static_cast<uint32_t>(room / 16 + 1), kParseBadBrandTable},
      {"absurd count", 0xFFFFFFFF, kParseBadBrandTable},
      {"count whose bytes wrap 32 bits", 0x10000001, kParseBadBrandTable},
  };
  for (const Case& c : cases) {
    auto file = base;
    StoreLE32(file.data() + t.brandTableOffset, c.entryCount);
    UpdateDescription d;
    EXPECT_EQ(Parse(file, d, kTagOther), c.expected) << c.name;
  }
  for (uint64_t offset : {base.size() - 3, base.size(), uint64_t{0xFFFFFFFF}}) {
    auto file = base;
    EditTrailer(file, [&](UpdateTrailer& tr) { tr.brandTableOffset = static_cast<uint32_t>(offset); });
    UpdateDescription d;
    EXPECT_EQ(Parse(file, d), kParseBadBrandTable) << "count unreadable at " << offset;
  }
}

TEST_F(BrandLookup, RefusesABrandSectionOutsideTheFile) {
  const auto base = File({kTagBr01});
  const UpdateTrailer t = test::ReadTrailer(base);
  struct Case {
    uint32_t offset, size;
    int expected;
  };
  const uint32_t rest = static_cast<uint32_t>(base.size() - t.brandTableOffset);
  const Case cases[] = {
      {rest - 5, 5, kParseOk},
      {rest - 5, 6, kParseBadTrailer},
      {0xFFFFFFF0, 0x20, kParseBadTrailer},  // wraps when added in 32 bits
      {0xFFFFFFFF, 0, kParseOk},             // an empty section is absent
  };
  for (const Case& c : cases) {
    auto file = base;
    uint8_t* entry = file.data() + t.brandTableOffset + brand_table::kEntries;
    EncodeBrandEntry({kTagBr01, c.offset, c.size}, entry);
    UpdateDescription d;
    EXPECT_EQ(Parse(file, d, kTagBr01), c.expected) << c.offset << "+" << c.size;
  }
}

TEST_F(BrandLookup, RefusesAPickedBrandSectionLongerThanItsRegion) {
  // The brand section is written from block 0x90 up to section C's region
  // at block 0x160: 0xD000 bytes.
  struct Case {
    const char* name;
    std::vector<uint32_t> tags;  // entry 0 is the one whose size is set
    uint32_t size;
    int expected;
  };
  const Case cases[] = {
      {"fills the region", {kTagBr01}, 0xD000, kParseOk},
      {"one byte into C's region", {kTagBr01}, 0xD001, kParseBadTrailer},
      {"single entry of another model, used all the same", {kTagOther}, 0xD001, kParseBadTrailer},
      {"a block over, two entries", {kTagBr01, kTagOther}, 0xD100, kParseBadTrailer},
      {"an oversized entry that is not picked", {kTagOther, kTagBr01}, 0xD001, kParseOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UpdatePackInput input = test::Input(test::kCompany);
    for (uint32_t tag : c.tags) input.brands.push_back({tag, Bytes(16, 7)});
    // Entry 0's bytes run on into the next entry's and the trailer, so the
    // section lies inside the file and only its size decides.
    input.brands[0].data = Bytes(0xD000, 3);
    auto file = Pack(input);
    ASSERT_FALSE(file.empty());
    const UpdateTrailer t = test::ReadTrailer(file);
    uint8_t* entry = file.data() + t.brandTableOffset + brand_table::kEntries;
    StoreLE32(entry + brand_table::kSize, c.size);
    UpdateDescription d;
    EXPECT_EQ(Parse(file, d, kTagBr01), c.expected);
    if (c.expected == kParseOk) {
      EXPECT_LE(d.b.size, 0xD000u);
    }
  }
}

TEST(CFileSource, ReadsRegularFilesOnly) {
  test::CTempDir dir;
  const auto packed = SectionAOnly();
  const std::string path = dir.Path() + "/u.dwm";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
  CFileSource file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.Size(), packed.size());
  UpdateDescription d;
  EXPECT_EQ(ParseUpdateFile(file, d, {}), kParseOk);
  uint8_t tail[8];
  EXPECT_EQ(file.ReadAt(packed.size() - 3, tail, sizeof tail), 3u);
  EXPECT_EQ(file.ReadAt(packed.size() + 100, tail, sizeof tail), 0u);

#ifdef _WIN32
  // Windows has no FIFOs in its folders; its null device is the file that
  // is no file there.
  const std::string fifo = "NUL";
#else
  const std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
#endif
  for (const std::string& p : {dir.Path(), fifo, dir.Path() + "/missing"}) {
    EXPECT_FALSE(file.Open(p)) << p;
    EXPECT_FALSE(file.IsOpen());
  }
}

}  // namespace
}  // namespace brindle
