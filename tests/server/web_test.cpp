#include "web.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "test_store.h"
#include "text/cp1251.h"

namespace ozl::server {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;


constexpr std::string_view kBrowser = "10.0.0.9";

class WebChatTest : public ::testing::Test {
 protected:
  WebChatTest() : store_(test_support::OpenTestStore(dir_, "web.db")), chat_(*store_), web_(chat_) {
    chat_.SetEventLog([this](const std::string& line) { log_.push_back(line); });
  }

  // One browser request as the event loop runs it.
  std::string Get(std::string_view target, std::string_view address = kBrowser) {
    const std::size_t question = target.find('?');
    PageRequest request{std::string(target.substr(0, question)),
                        question == std::string_view::npos ? "" : std::string(target.substr(question + 1))};
    WebOutcome outcome = web_.Handle(request, address, now_);
    if (auto* work = std::get_if<PasswordWork>(&outcome)) {
      work->task.Run(PasswordCost::kMinimal);
      return web_.Finish(*work, now_);
    }
    return std::get<std::string>(outcome);
  }

  // The token of the chat page the login gives, or "" when it was refused.
  std::string Enter(std::string_view chat_nick, std::string_view password = "pw") {
    const std::string page = Get("/cgi-bin/go.cgi?name=" + std::string(chat_nick) + "&pass=" + std::string(password) +
                                 "&room=main&i=v");
    std::smatch token;
    return std::regex_search(page, token, std::regex("var token = \"([0-9a-f]{32})\"")) ? token[1].str() : "";
  }

  std::vector<std::string> Client(int client, std::string_view command) {
    const std::string key = Chat::ClientKey("10.0.0." + std::to_string(client), "4711");
    Outcome outcome = chat_.Handle(key, command, now_);
    if (auto* work = std::get_if<PasswordWork>(&outcome)) {
      work->task.Run(PasswordCost::kMinimal);
      outcome = chat_.Finish(std::move(*work), now_);
    }
    std::vector<std::string> lines;
    const std::string whole = std::get<Answer>(outcome).Whole();
    std::string_view body = whole;
    for (std::size_t end; (end = body.find("\r\n")) != std::string_view::npos; body.remove_prefix(end + 2)) {
      lines.emplace_back(body.substr(0, end));
    }
    return lines;
  }

  UserId Register(std::string_view nick, std::string_view chat_nick, std::string_view password = "pw") {
    const auto lines = Client(99, "#R" + std::string(nick) + "|I|P|I|mail|City|" + std::string(password) + "|m|a|" +
                                      std::string(chat_nick));
    return static_cast<UserId>(std::stoi(lines.at(0).substr(2)));
  }

  static std::string Body(const std::string& response) { return response.substr(response.find("\r\n\r\n") + 4); }

  test_support::TempDir dir_;
  std::unique_ptr<Store> store_;
  Chat chat_;
  WebSite web_;
  std::vector<std::string> log_;
  Clock::time_point now_ = Clock::time_point{} + std::chrono::hours(1);
};

TEST_F(WebChatTest, ABrowserAndAClientShareTheGeneralChatAndMarkupStaysText) {
  const UserId kot = Register("Kot", "kot");
  const UserId yozh = Register("Yozh", "yozh");
  Client(1, "#A" + std::to_string(yozh) + "|pw");
  Client(1, "#E1");
  Client(1, "#PING");

  const std::string token = Enter("kot");
  ASSERT_FALSE(token.empty());
  EXPECT_THAT(Client(1, "#PING"), ElementsAre("#YU" + std::to_string(kot) + "-Kot-chat"));

  EXPECT_EQ(Body(Get("/chat/poll?s=" + token)), R"({"nick":"Kot","lines":[],"people":["Kot","Yozh"]})");
  // "<b>hi</b> привет" as a browser's script encodes it.
  EXPECT_EQ(Body(Get("/chat/say?s=" + token + "&text=%3Cb%3Ehi%3C%2Fb%3E%20%D0%BF%D1%80%D0%B8%D0%B2%D0%B5%D1%82")),
            R"({"nick":"Kot","lines":[["Kot","\u003cb\u003ehi\u003c/b\u003e \u043f\u0440\u0438\u0432\u0435\u0442"]]})");
  EXPECT_THAT(Client(1, "#Chello & <i>bye</i>"),
              ElementsAre("#CKot|<b>hi</b> привет"_cp1251, "#CYozh|hello & <i>bye</i>"));
  EXPECT_EQ(Body(Get("/chat/poll?s=" + token)),
            R"({"nick":"Kot","lines":[["Yozh","hello \u0026 \u003ci\u003ebye\u003c/i\u003e"]]})");

  Get("/chat/leave?s=" + token);
  EXPECT_THAT(Client(1, "#PING"), ElementsAre("#YU" + std::to_string(kot) + "-Kot-offline"));
  EXPECT_THAT(Body(Get("/chat/poll?s=" + token)), HasSubstr("\"ended\":true"));
}

TEST_F(WebChatTest, AUserIsInTheRoomWhileHisClientOrABrowserIs) {
  const UserId kot = Register("Kot", "kot");
  const UserId yozh = Register("Yozh", "yozh");
  Client(2, "#A" + std::to_string(yozh) + "|pw");
  Client(1, "#A" + std::to_string(kot) + "|pw");
  Client(1, "#E1");
  Client(2, "#PING");
  const std::string first = Enter("kot");
  const std::string second = Enter("kot");
  Client(1, "#E0");
  Get("/chat/leave?s=" + first);
  EXPECT_THAT(Client(2, "#PING"), ElementsAre()) << "a browser still holds him in the room";
  Client(1, "#D");
  EXPECT_THAT(Client(2, "#PING"), ElementsAre()) << "his client's logout leaves his browser in";

  now_ += std::chrono::seconds(30);
  Client(2, "#PING");
  now_ += std::chrono::seconds(15);
  chat_.ExpireIdle(now_);
  EXPECT_EQ(chat_.web_chat_count(), 0u) << "a silent browser is gone after the idle time-out";
  EXPECT_THAT(Client(2, "#PING"), ElementsAre("#YU" + std::to_string(kot) + "-Kot-offline"));
  (void)second;
}

TEST_F(WebChatTest, RefusalsAreRussianPagesThatNeverShowThePassword) {
  const UserId kot = Register("Kot", "kot", "s3cr&t");
  Register("Kotik", "kot", "other");
  EXPECT_FALSE(Enter("kot", "s3cr%26t").empty()) << "the password names which of the users sharing a chat nick";
  EXPECT_FALSE(Enter("kot", "other").empty());

  const struct {
    std::string target;
    std::string_view says;
  } cases[] = {
      {"/cgi-bin/go.cgi?name=kot&pass=s3cr%26t-typo&room=main&i=v", "Неверный ник или пароль."_cp1251},
      {"/cgi-bin/go.cgi?name=nobody&pass=s3cr%26t&room=main&i=v", "Неверный ник или пароль."_cp1251},
      {"/cgi-bin/go.cgi?name=kot&pass=s3cr%26t&room=vip&i=v", "Такой комнаты нет"_cp1251},
  };
  for (const auto& refused : cases) {
    const std::string page = Get(refused.target);
    EXPECT_THAT(page, HasSubstr(std::string(refused.says))) << refused.target;
    EXPECT_THAT(page, Not(HasSubstr("s3cr"))) << refused.target;
    EXPECT_THAT(page, Not(HasSubstr("var token"))) << refused.target;
  }
  for (int i = 0; i < 10; ++i) Get("/cgi-bin/go.cgi?name=kot&pass=guess&room=main&i=v");
  EXPECT_THAT(Get("/cgi-bin/go.cgi?name=kot&pass=s3cr%26t&room=main&i=v"),
              HasSubstr(std::string("Слишком много неудачных попыток"_cp1251)));
  EXPECT_THAT(log_, Contains("refused: too many failed logins for user " + std::to_string(kot)));
}

TEST_F(WebChatTest, LinesAreRationedPerUserAndGuessedTokensPerAddress) {
  Register("Kot", "kot");
  const std::string first = Enter("kot");
  now_ += std::chrono::seconds(10);
  const std::string second = Enter("kot");
  for (int i = 0; i < 4; ++i) Get("/chat/say?s=" + (i % 2 ? first : second) + "&text=line");
  const std::string too_often = JsonString("Не так часто, подождите немного."_cp1251);
  EXPECT_THAT(Get("/chat/say?s=" + first + "&text=more"), HasSubstr(too_often)) << "two browsers, one ration";
  EXPECT_THAT(Get("/chat/say?s=" + second + "&text=more"), HasSubstr(too_often));
  EXPECT_EQ(std::count_if(log_.begin(), log_.end(), [](const std::string& line) { return line.find("lines") != std::string::npos; }),
            1) << "one log line per flood";

  for (int i = 0; i < 100; ++i) Get("/chat/poll?s=0123456789abcdef0123456789abcdef");
  EXPECT_THAT(Get("/chat/poll?s=" + first), ::testing::StartsWith("HTTP/1.0 429"));
  EXPECT_THAT(Get("/chat/poll?s=" + first, "10.0.0.8"), ::testing::StartsWith("HTTP/1.0 200"));
}

TEST_F(WebChatTest, PagesDeclareTheirCharsetAndTheNewestDocumentMode) {
  for (const std::string_view target : {"/", "/ozl", "/cgi-bin/go.cgi", "/cgi-bin/go.cgi?room=main"}) {
    const std::string page = Get(target);
    EXPECT_THAT(page, ::testing::StartsWith("HTTP/1.0 200 OK\r\n")) << target;
    EXPECT_THAT(page, HasSubstr("Content-Type: text/html; charset=windows-1251\r\n")) << target;
    EXPECT_THAT(page, HasSubstr("X-UA-Compatible: IE=edge\r\n")) << target;
    EXPECT_THAT(page, HasSubstr("action=\"/cgi-bin/go.cgi\"")) << target << " lets any browser log in";
  }
  EXPECT_THAT(Get("/missing"), ::testing::StartsWith("HTTP/1.0 404"));
}

TEST(WebText, EscapingAndDecoding) {
  EXPECT_EQ(HtmlEscaped("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
  EXPECT_EQ(JsonString("\"\\\r\n\x7f Ё"_cp1251), R"("\u0022\u005c\u000d\u000a\u007f \u0401")");
  const struct {
    std::string_view utf8;
    std::string_view cp1251;
  } conversions[] = {
      {"plain", "plain"},
      {"Ёжик €", "Ёжик €"_cp1251},
      {"日本", "??"},
      {"\xD0", "?"},
      {"\xC0\xAF", "??"},
      {"\xF0\x9F\x98\x80!", "?!"},
  };
  for (const auto& conversion : conversions) EXPECT_EQ(Utf8ToCp1251(conversion.utf8), conversion.cp1251);

  EXPECT_EQ(QueryValue("name=a+b%26c&pass=%d0%Zz", "name"), "a b&c");
  EXPECT_EQ(QueryValue("name=a+b%26c&pass=%d0%Zz", "pass"), "\xD0%Zz");
  EXPECT_EQ(QueryValue("named=1&flag", "flag"), "");
  EXPECT_EQ(QueryValue("named=1", "name"), std::nullopt);
}

}  // namespace
}  // namespace ozl::server
