// Reading the settings dialog's edit boxes as integers.
#include "settings/edit_integer.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(ParseEditInteger, Table) {
  struct Case {
    const char* text;
    int result;
    int32_t value;
  };
  const Case cases[] = {
      {"12", 1, 12},
      {" -5 ", 1, -5},
      {"+7", 1, 7},
      {"0", 1, 0},
      {"2147483647", 1, 2147483647},
      {"-2147483648", 1, INT32_MIN},
      {"2147483648", 0, 0},
      {"", 0, 0},
      {"   ", 0, 0},
      {"-", 0, 0},
      {"+", 0, 0},
      {"+-5", 0, 0},
      {"--5", 0, 0},
      {"1.5", 0, 0},
      {"5x", 0, 0},
      {"x5", 0, 0},
      {"1 2", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t value = 4242;
    EXPECT_EQ(ParseEditInteger(c.text, &value), c.result);
    EXPECT_EQ(value, c.result ? c.value : 4242);
  }
}

}  // namespace
}  // namespace brindle
