#include "http.h"

#include <gtest/gtest.h>

#include "options.h"
#include "ozl_version.h"

namespace ozl::server {
namespace {

constexpr std::string_view kClientRequest =
    "GET / HTTP/1.0\r\n"
    "Host: 127.0.0.1\r\n"
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
    "Content-type: application/x-www-form-urlencoded\r\n"
    "Session: 4711\r\n"
    "Data: #S12345|Привет | как дела? \r\n"
    "Version: 0.03b\r\n"
    "\r\n";

TEST(HttpRequest, TheClientsRequestGivesSessionAndCommandByteForByte) {
  const ParsedRequest parsed = ParseRequest(kClientRequest);
  ASSERT_TRUE(parsed.request);
  EXPECT_EQ(parsed.request->session, "4711");
  EXPECT_EQ(parsed.request->data, "#S12345|Привет | как дела? ") << "trailing blanks belong to the text";

  std::string lone_lf(kClientRequest);
  std::erase(lone_lf, '\r');
  const ParsedRequest with_lf = ParseRequest(lone_lf);
  ASSERT_TRUE(with_lf.request);
  EXPECT_EQ(with_lf.request->data, parsed.request->data);

  const ParsedRequest proxied = ParseRequest(
      "GET http://127.0.0.1:5190/ HTTP/1.0\r\nProxy-Connection: close\r\nsession:77\r\nVersion: 0.03b\r\n\r\n");
  ASSERT_TRUE(proxied.request);
  EXPECT_EQ(proxied.request->session, "77");
  EXPECT_EQ(proxied.request->data, "") << "a request without Data carries no command";
}

TEST(HttpRequest, TheCommandMarkIsReadWhenWellFormed) {
  const struct {
    std::string_view header;
    std::optional<CommandMark> mark;
  } cases[] = {
      {"Command: 4294967298.12\r\n", CommandMark{4294967298u, 12}},
      {"command:18446744073709551615.1\r\nCommand: 1.2\r\n", CommandMark{18446744073709551615u, 1}},
      {"", std::nullopt},
      {"Command: 18446744073709551616.1\r\n", std::nullopt},
      {"Command: 12\r\n", std::nullopt},
      {"Command: 1.\r\n", std::nullopt},
      {"Command: -1.2\r\n", std::nullopt},
      {"Command: 1.2x\r\n", std::nullopt},
  };
  for (const auto& c : cases) {
    const ParsedRequest parsed =
        ParseRequest("GET / HTTP/1.0\r\nSession: 1\r\nData: #PING\r\n" + std::string(c.header) + "\r\n");
    ASSERT_TRUE(parsed.request) << c.header << " is no reason to refuse a request";
    EXPECT_EQ(parsed.request->mark, c.mark) << c.header;
  }
}

TEST(HttpRequest, ARequestWithoutSessionIsABrowsersAskingForAPage) {
  const struct {
    std::string_view raw;
    std::string_view path;
    std::string_view query;
  } cases[] = {
      {"GET / HTTP/1.1\r\nHost: x\r\nData: #PING\r\n\r\n", "/", ""},
      {"GET /cgi-bin/go.cgi?name=kot&pass=a%26b#top HTTP/1.1\r\n\r\n", "/cgi-bin/go.cgi", "name=kot&pass=a%26b"},
      {"GET http://chat.example.org:5190/ozl HTTP/1.0\r\n\r\n", "/ozl", ""},
      {"GET http://chat.example.org:5190 HTTP/1.0\r\n\r\n", "/", ""},
      {"POST /chat/leave?s=ab HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "/chat/leave", "s=ab"},
  };
  for (const auto& page : cases) {
    const ParsedRequest parsed = ParseRequest(page.raw);
    ASSERT_TRUE(parsed.page) << page.raw;
    EXPECT_FALSE(parsed.request);
    EXPECT_EQ(parsed.page->path, page.path);
    EXPECT_EQ(parsed.page->query, page.query);
  }
}

TEST(HttpRequest, IncompleteRequestsWaitAndBadOnesAreRefused) {
  for (std::size_t cut = 0; cut + 1 < kClientRequest.size(); cut += 7) {
    EXPECT_EQ(ParseRequest(kClientRequest.substr(0, cut)).problem, RequestProblem::kIncomplete) << cut;
  }
  const auto problem = [](std::string_view raw) {
    const ParsedRequest parsed = ParseRequest(raw);
    return parsed.request || parsed.page ? std::optional<RequestProblem>() : parsed.problem;
  };
  EXPECT_EQ(problem("POST / HTTP/1.0\r\nSession: 1\r\n\r\n"), RequestProblem::kMalformed);
  EXPECT_EQ(problem("GET /\r\nSession: 1\r\n\r\n"), RequestProblem::kMalformed);
  EXPECT_EQ(problem("\r\n\r\n"), RequestProblem::kMalformed);
  EXPECT_EQ(problem("GET / HTTP/1.0\r\nSession: 12a\r\n\r\n"), RequestProblem::kMalformed);
  EXPECT_EQ(problem("GET / HTTP/1.0\r\nSession: 12345678901\r\n\r\n"), RequestProblem::kMalformed);
  EXPECT_EQ(problem("GET / HTTP/1.0\r\nSession 1\r\n\r\n"), RequestProblem::kMalformed);

  EXPECT_EQ(problem("GET / HTTP/1.0\r\nData: " + std::string(kMaxRequestBytes, 'x')), RequestProblem::kTooLarge);
  std::string many_lines = "GET / HTTP/1.0\r\n";
  for (std::size_t i = 0; i <= kMaxHeaderLines; ++i) many_lines += "X: y\r\n";
  EXPECT_EQ(problem(many_lines), RequestProblem::kTooLarge);
  EXPECT_EQ(problem(std::string(kMaxRequestBytes, '\n')), RequestProblem::kMalformed);
}

TEST(HttpResponse, StatusLineHeadersEmptyLineAndBody) {
  EXPECT_EQ(OkResponse("#D\r\n"),
            "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=windows-1251\r\nContent-Length: 4\r\n\r\n#D\r\n");
  EXPECT_EQ(ErrorResponse(400, "Bad Request"), "HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
}

// "--config" names the file's text itself.
std::variant<Options, OptionsExit> Parse(std::vector<std::string_view> arguments) {
  return ParseOptions(arguments, [](const std::string& text) -> std::optional<std::string> {
    if (text == "missing") return std::nullopt;
    return text;
  });
}

TEST(ServerOptions, ListenDatabaseAndTheRest) {
  const Options defaults = std::get<Options>(Parse({}));
  EXPECT_EQ(defaults.host, "127.0.0.1");
  EXPECT_EQ(defaults.port, 5190);
  EXPECT_FALSE(defaults.demo);

  const Options given = std::get<Options>(Parse({"--listen", "[::1]:0", "--db", "/tmp/x.db", "--demo",
                                                 "--idle-timeout", "5", "--password-cost", "minimal"}));
  EXPECT_EQ(given.host, "::1");
  EXPECT_EQ(given.port, 0);
  EXPECT_EQ(given.database, "/tmp/x.db");
  EXPECT_TRUE(given.demo);
  EXPECT_EQ(given.limits.idle_timeout, std::chrono::seconds(5));
  EXPECT_EQ(given.password_cost, PasswordCost::kMinimal);

  EXPECT_EQ(std::get<OptionsExit>(Parse({"--help"})).code, 0);
  EXPECT_EQ(std::get<OptionsExit>(Parse({"--demo", "--version"})).text, "ozl-server " OZL_VERSION_TEXT "\n");
  for (const auto& wrong : std::vector<std::vector<std::string_view>>{{"--listen", "5190"},
                                                                     {"--listen", "host:99999"},
                                                                     {"--listen"},
                                                                     {"--idle-timeout", "0"},
                                                                     {"--password-cost", "cheap"},
                                                                     {"--verbose"}}) {
    EXPECT_EQ(std::get<OptionsExit>(Parse(wrong)).code, 2) << wrong.front();
  }
}

TEST(ServerOptions, TheConfigFileTakesTheOptionsByNameAndTheCommandLineWins) {
  const std::string_view config =
      "# the service\n"
      "listen = 0.0.0.0:5191   # everywhere\n"
      "\n"
      "  db=/var/lib/ozl-server/ozl-server.db\r\n"
      "idle-timeout = 60\n"
      "chat-lines = 3/2\n"
      "failed-logins-per-address = 20/5\n";
  const Options read = std::get<Options>(Parse({"--config", config, "--idle-timeout", "30", "--backup", "/tmp/b.db"}));
  EXPECT_EQ(read.host, "0.0.0.0");
  EXPECT_EQ(read.port, 5191);
  EXPECT_EQ(read.database, "/var/lib/ozl-server/ozl-server.db");
  EXPECT_EQ(read.limits.idle_timeout, std::chrono::seconds(30));
  EXPECT_EQ(read.limits.broadcasts.burst, 3);
  EXPECT_EQ(read.limits.broadcasts.interval, std::chrono::seconds(2));
  EXPECT_EQ(read.limits.failed_logins_per_address.burst, 20);
  EXPECT_EQ(read.limits.failed_logins_per_user.burst, ChatLimits{}.failed_logins_per_user.burst);
  EXPECT_EQ(read.backup, "/tmp/b.db");

  for (const std::string_view wrong : {"listen 0.0.0.0:5190", "demo = yes", "config = other", "chat-lines = 5",
                                       "chat-lines = 0/1", "verbose = 1"}) {
    EXPECT_EQ(std::get<OptionsExit>(Parse({"--config", wrong})).text.rfind("ozl-server: " + std::string(wrong) + ":1: ", 0),
              0u) << wrong;
  }
  EXPECT_EQ(std::get<OptionsExit>(Parse({"--config", "missing"})).code, 2);
}

}  // namespace
}  // namespace ozl::server
