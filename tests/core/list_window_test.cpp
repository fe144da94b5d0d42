#include <gtest/gtest.h>

#include "conversations/general_chat.h"
#include "lists/list_window_text.h"
#include "text/cp1251.h"
#include "text/integer.h"

namespace ozl {
namespace {

TEST(ListWindowText, TheRegionEndsATaskBarAboveTheScreensBottom) {
  for (const auto& [screen_height, rectangle] :
       {std::pair{768, "R0,44,180,740"}, {1024, "R0,44,180,996"}, {600, "R0,44,180,572"}}) {
    EXPECT_EQ(lists::ListWindowRegionText(screen_height),
              std::string("TLT0,0,Cartoon1\r\nTLB0,B,Cartoon2\r\n") + rectangle);
  }
}

TEST(ListWindowText, RowMenusNameTheNickUnderThePointer) {
  const lists::RowMenuCaptions online = lists::OnlineRowCaptions("Kot");
  EXPECT_EQ(online.write, "Написать пользователю Kot"_cp1251);
  EXPECT_EQ(online.info, "Просмотреть информацию о Kot"_cp1251);
  EXPECT_EQ(online.change, "Добавить Kot в контакт-лист"_cp1251);
  const lists::RowMenuCaptions contact = lists::ContactRowCaptions("Зайка"_cp1251);
  EXPECT_EQ(contact.write, "Написать пользователю Зайка"_cp1251);
  EXPECT_EQ(contact.change, "удалить Зайка из контакт-листа"_cp1251);
}

TEST(ListWindowText, StatusIconsAndHistoryFiles) {
  EXPECT_EQ(lists::StatusIconPath("online"), "design\\connect.bmp");
  EXPECT_EQ(lists::StatusIconPath("offline"), "design\\disconnect.bmp");
  EXPECT_EQ(lists::StatusIconPath("chat"), "design\\chat.bmp");
  EXPECT_EQ(lists::StatusIconPath("Chat"), std::nullopt);
  EXPECT_EQ(lists::StatusIconPath("away"), std::nullopt);
  EXPECT_EQ(lists::HistoryPath("C:\\ozl", 42), "C:\\ozl\\HISTORY\\42.htm");
}

TEST(RowIds, AreDecimalIntegersWrittenBackWithoutLeadingZeros) {
  for (const auto& [text, value] : {std::pair{"10001", 10001}, {"007", 7}, {"+5", 5}, {"-12", -12},
                                    {"2147483647", 2147483647}}) {
    EXPECT_EQ(text::StrToInt(text), value) << text;
  }
  for (const char* refused : {"", " 1", "1 ", "12a", "+-5", "--5", "0x10", "2147483648", "-"}) {
    EXPECT_THROW(text::StrToInt(refused), text::ConversionError) << refused;
  }
  try {
    text::StrToInt("abc");
  } catch (const text::ConversionError& error) {
    EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
  }
}

TEST(GeneralChat, AddressingStacksPrefixesNewestFirst) {
  const std::string once = conversations::AddressedTo("Kot", "привет"_cp1251);
  EXPECT_EQ(once, "(для Kot) привет"_cp1251);
  EXPECT_EQ(conversations::AddressedTo("Echo", once), "(для Echo) (для Kot) привет"_cp1251);
  EXPECT_EQ(conversations::AddressedTo("Kot", ""), "(для Kot) "_cp1251);
}

}  // namespace
}  // namespace ozl
