#include "text/cp1251.h"

#include <gtest/gtest.h>

namespace ozl::text {
namespace {

TEST(Cp1251, LiteralsBecomeCodePageBytes) {
  EXPECT_EQ("Вход"_cp1251, "\xC2\xF5\xEE\xE4");
  EXPECT_EQ("ёЁ№"_cp1251, "\xB8\xA8\xB9");
  EXPECT_EQ("ascii | ~ -"_cp1251, "ascii | ~ -");
  EXPECT_EQ(""_cp1251, "");
}

TEST(Cp1251, EveryByteSurvivesTheRoundTripThroughUtf16) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  const std::u16string wide = ToUtf16(all);
  ASSERT_EQ(wide.size(), 256u);
  EXPECT_EQ(wide[0xC0], u'А');
  EXPECT_EQ(wide[0xFF], u'я');
  EXPECT_EQ(FromUtf16(wide), all);
}

TEST(Cp1251, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(FromUtf16(u"a\u4E2Db"), "a?b");
  EXPECT_EQ(FromUtf16(u"\U0001F600!"), "?!");
}

}  // namespace
}  // namespace ozl::text
