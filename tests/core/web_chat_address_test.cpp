#include "conversations/web_chat_address.h"

#include <gtest/gtest.h>

#include "text/cp1251.h"

namespace ozl::conversations {
namespace {

TEST(WebChatAddress, NickAndPasswordArePercentEncoded) {
  struct Case {
    std::string nick;
    std::string password;
    std::string query;
  };
  const Case cases[] = {
      {"Kot2002", "kot2002", "name=Kot2002&pass=kot2002"},
      {"k-o.t_~", "a&room=x", "name=k-o.t_~&pass=a%26room%3Dx"},
      {"kot", "a#b+c%d e", "name=kot&pass=a%23b%2Bc%25d%20e"},
      {std::string("Кот"_cp1251), std::string("пароль"_cp1251),
       "name=%CA%EE%F2&pass=%EF%E0%F0%EE%EB%FC"},
      {"", "", "name=&pass="},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WebChatAddress("chat.example", c.nick, c.password),
              "http://chat.example/cgi-bin/go.cgi?" + c.query + "&room=main&i=v")
        << c.nick << " / " << c.password;
  }
  EXPECT_EQ(ShownWebChatAddress("chat.example", "Кот"_cp1251),
            "http://chat.example/cgi-bin/go.cgi?name=%CA%EE%F2&pass=********&room=main&i=v");
}

}  // namespace
}  // namespace ozl::conversations
