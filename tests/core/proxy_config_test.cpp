#include "settings/proxy_config.h"

#include <gtest/gtest.h>

#include "text/cp1251.h"

namespace ozl::settings {
namespace {

using protocol::ProxySettings;

std::string Field(std::string_view text) {
  std::string field(81, '\0');
  field[0] = static_cast<char>(text.size());
  field.replace(1, text.size(), text);
  return field;
}

TEST(ProxyRecord, IsTheFilesBytesFieldForField) {
  ProxyConfig record;
  record.SetHost("proxy.example");
  record.SetPort(3128);
  record.SetLogin("Иван"_cp1251);
  record.SetPassword("secret");
  const std::string expected = Field("proxy.example") + std::string(3, '\0') +
                               std::string("\x38\x0C\0\0", 4) + Field("Иван"_cp1251) +
                               Field("secret") + std::string(2, '\0');
  ASSERT_EQ(expected.size(), kProxyRecordSize);
  EXPECT_EQ(record.FileContent(), expected);

  const ProxyConfig read = ProxyConfig::FromFile(expected);
  EXPECT_EQ(read.Host(), "proxy.example");
  EXPECT_EQ(read.Port(), 3128);
  EXPECT_EQ(read.Login(), "Иван"_cp1251);
  EXPECT_EQ(read.Password(), "secret");
  record.SetPort(-2);
  EXPECT_EQ(ProxyConfig::FromFile(record.FileContent()).Port(), -2);
}

TEST(ProxyRecord, GapsAndBytesAfterTheTextsAreWrittenBackAsRead) {
  std::string garbage(kProxyRecordSize + 10, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 37 + 11);
  garbage[0] = 3;
  garbage[88] = 0;
  ProxyConfig record = ProxyConfig::FromFile(garbage);  // a longer file: its first record
  EXPECT_EQ(record.FileContent(), garbage.substr(0, kProxyRecordSize));
  EXPECT_EQ(record.Host(), garbage.substr(1, 3));
  EXPECT_EQ(record.Login(), "");

  // A shorter text over a longer one changes its length byte and its own bytes only.
  record.SetHost("ab");
  std::string expected = garbage.substr(0, kProxyRecordSize);
  expected.replace(0, 3, "\x02" "ab");
  EXPECT_EQ(record.FileContent(), expected);
}

TEST(ProxyRecord, ShortFilesFailAndLengthsPastTheFieldAreClamped) {
  EXPECT_THROW(ProxyConfig::FromFile(""), ProxyRecordError);
  EXPECT_THROW(ProxyConfig::FromFile(std::string(kProxyRecordSize - 1, 'x')), ProxyRecordError);

  std::string corrupt(kProxyRecordSize, 'h');
  corrupt[0] = static_cast<char>(0xFF);
  corrupt[88] = static_cast<char>(81);
  const ProxyConfig record = ProxyConfig::FromFile(corrupt);
  EXPECT_EQ(record.Host(), std::string(80, 'h'));
  EXPECT_EQ(record.Login(), std::string(80, 'h'));

  ProxyConfig cut;
  cut.SetLogin(std::string(100, 'l'));
  EXPECT_EQ(cut.Login(), std::string(80, 'l'));
  EXPECT_EQ(cut.Password(), "");  // the next field is untouched
}

TEST(ProxyRecord, LoadingShowsAProxyOnlyWithAHostAndAuthorisationOnlyWithALogin) {
  ProxyConfig record;
  record.SetLogin("user");
  EXPECT_EQ(LoadedControls(record).use_proxy, false);
  EXPECT_EQ(LoadedControls(record).login, "");

  record.SetHost("10.0.0.1");
  record.SetPort(8080);
  ProxySettings shown = LoadedControls(record);
  EXPECT_TRUE(shown.use_proxy);
  EXPECT_EQ(shown.port, "8080");
  EXPECT_TRUE(shown.use_authorization);
  EXPECT_EQ(shown.login, "user");

  record.SetLogin("");
  record.SetPassword("kept");
  shown = LoadedControls(record);
  EXPECT_FALSE(shown.use_authorization);
  EXPECT_EQ(shown.password, "");
}

TEST(ProxyRecord, ApplyStoresTheControlsOrDropsTheFile) {
  ProxyConfig before;
  before.SetLogin("old");
  before.SetPassword("oldpw");
  EXPECT_EQ(Applied(before, {.use_proxy = false, .host = "h", .port = "x"}), std::nullopt);

  // Without authorisation the record keeps the login and password it had.
  const std::optional<ProxyConfig> plain =
      Applied(before, {.use_proxy = true, .host = "h", .port = "0080"});
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->Port(), 80);
  EXPECT_EQ(plain->Login(), "old");
  EXPECT_EQ(LoadedControls(*plain).port, "80");

  const std::optional<ProxyConfig> authorised = Applied(
      before, {true, std::string(90, 'h'), "3128", true, "new", "newpw"});
  ASSERT_TRUE(authorised);
  EXPECT_EQ(authorised->Host(), std::string(80, 'h'));
  EXPECT_EQ(authorised->Password(), "newpw");

  EXPECT_THROW(Applied(before, {.use_proxy = true, .host = "h", .port = "31 28"}),
               protocol::InvalidPortError);
}

}  // namespace
}  // namespace ozl::settings
