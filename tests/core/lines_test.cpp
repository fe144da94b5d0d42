#include "text/lines.h"

#include <gtest/gtest.h>

namespace ozl::text {
namespace {

TEST(Lines, EachKindOfLineBreakEndsALine) {
  using Lines = std::vector<std::string>;
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\ntwo\rthree", {"one", "two", "three"}},
      {"one\n\rtwo", {"one", "", "two"}},
      {"\r\n\r\n", {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

}  // namespace
}  // namespace ozl::text
