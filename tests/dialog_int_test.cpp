#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/dialog_int.h"

namespace {

struct Reading {
  std::string text;
  std::int32_t value;
};

TEST(DialogIntTest, ReadsTheFieldLikeTheDialogDoes) {
  const Reading cases[] = {
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"+", 0},
      {"20", 20},
      {"-5", -5},
      {"+3", 3},
      {"12ab", 12},
      {"  7", 7},
      {"\t-8x", -8},
      {"007", 7},
      {"- 5", 0},
      {"2147483647", 2147483647},
      {"2147483648", 0},
      {"-2147483648", INT32_MIN},
      {"-2147483649", 0},
      {"99999999999999999999999", 0},
      {"5 6", 5},
  };
  for (const Reading& c : cases) EXPECT_EQ(platform::ReadDialogInt(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
