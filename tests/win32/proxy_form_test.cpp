#include "windows/proxy_form.h"

#include "program_fixture.h"
#include "settings/proxy_config.h"
#include "text/cp1251.h"

namespace ozl {
namespace {

using Strings = std::vector<std::string>;

// The program started in a folder of its own, where a test may lay a "Proxy.cfg" first.
class ProxyFormTest : public ProgramTest {
 protected:
  ProxyFormTest() : ProgramTest(false) {
    CloseHandle(CreateFileW(L"readme.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  }
  ~ProxyFormTest() override { program.reset(); }

  TProxyForm& proxy() { return *program->ProxyForm; }
  static void LayFile(std::string_view bytes) {
    const HANDLE file = CreateFileW(L"Proxy.cfg", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  void Apply() { Click(proxy().Panel1.hwnd(), 36, 9); }
  void Login() { SendMessageW(start().CEid.hwnd(), WM_KEYDOWN, VK_RETURN, 0); }

  WorkingFolder folder;
};

TEST_F(ProxyFormTest, EnabledStatesFollowTheCheckMarks) {
  Launch();
  TProxyForm& p = proxy();
  auto enabled = [&] {
    return std::vector<bool>{p.CEproxy.enabled(), p.CEproxyport.enabled(),
                             p.Cuseproxyauthorization.enabled(), p.CElogin.enabled(),
                             p.CEpassword.enabled()};
  };
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, false}));
  SendMessageW(p.Cuseproxy.hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, false, false}));
  SendMessageW(p.Cuseproxyauthorization.hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true}));
  // Clearing the proxy leaves the authorisation box checked, and login and password editable.
  SendMessageW(p.Cuseproxy.hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, true, true}));
  EXPECT_TRUE(p.Cuseproxyauthorization.Checked());
  EXPECT_TRUE(connector.sent.empty());  // no file, no probe
}

TEST_F(ProxyFormTest, TheWindowsSettingsRouteTheNextRequestEvenWhenCancelled) {
  Launch();
  Click(start().Pother.hwnd(), 80, 9);  // Bproxy
  EXPECT_TRUE(proxy().visible());
  proxy().Cuseproxy.SetChecked(true);
  proxy().CEproxy.SetText("127.0.0.7");
  proxy().CEproxyport.SetText("3128");
  proxy().Cuseproxyauthorization.SetChecked(true);
  proxy().CElogin.SetText("user");
  proxy().CEpassword.SetText("pass");
  Click(proxy().Psystemmenu.hwnd(), 20 + 7, 6);  // cancel: nothing stored, all in force
  EXPECT_FALSE(proxy().visible());
  EXPECT_EQ(GetFileAttributesW(L"Proxy.cfg"), INVALID_FILE_ATTRIBUTES);

  Login();
  ASSERT_EQ(connector.sent.size(), 1u);
  const testing_support::SentRequest& proxied = connector.sent[0];
  EXPECT_EQ(proxied.destination, (protocol::Endpoint{"127.0.0.7", 3128}));
  EXPECT_EQ(proxied.bytes.rfind("GET http://" OZL_SERVER_HOST ":5190/ HTTP/1.0\r\nProxy-Connection: close\r\n", 0), 0u);
  EXPECT_EQ(proxied.Header("Authorization"), "Basic dXNlcjpwYXNz");
  EXPECT_EQ(proxied.Header("Proxy-Authorization"), "Basic dXNlcjpwYXNz");

  proxy().Cuseproxy.SetChecked(false);
  Login();
  const testing_support::SentRequest& straight = connector.sent.back();
  EXPECT_EQ(straight.destination, (protocol::Endpoint{OZL_SERVER_HOST, 5190}));
  EXPECT_EQ(straight.bytes.rfind("GET / HTTP/1.0\r\nHost: ", 0), 0u);
  EXPECT_EQ(straight.bytes.find("Proxy"), std::string::npos);
  EXPECT_EQ(straight.bytes.find("Authorization"), std::string::npos);
}

TEST_F(ProxyFormTest, ApplyWritesOrDeletesTheFileHidesAndProbes) {
  Launch();
  proxy().Show();
  proxy().Cuseproxy.SetChecked(true);
  proxy().CEproxy.SetText("proxy.example");
  proxy().CEproxyport.SetText("80a");
  Apply();
  EXPECT_EQ(errors, Strings{"'80a' is not a valid integer value"});
  EXPECT_TRUE(proxy().visible());
  EXPECT_EQ(GetFileAttributesW(L"Proxy.cfg"), INVALID_FILE_ATTRIBUTES);

  proxy().CEproxyport.SetText("08080");
  Apply();
  EXPECT_FALSE(proxy().visible());
  const std::string stored = FileBytes(L"Proxy.cfg");
  ASSERT_EQ(stored.size(), settings::kProxyRecordSize);
  EXPECT_EQ(settings::ProxyConfig::FromFile(stored).Host(), "proxy.example");
  EXPECT_EQ(settings::ProxyConfig::FromFile(stored).Port(), 8080);
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(connector.sent[0].Session(), "777");
  EXPECT_EQ(connector.sent[0].Data(), "#PING");
  EXPECT_EQ(connector.sent[0].destination, (protocol::Endpoint{"proxy.example", 8080}));

  proxy().Cuseproxy.SetChecked(false);
  Apply();
  EXPECT_EQ(GetFileAttributesW(L"Proxy.cfg"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(connector.sent.size(), 2u);
  Apply();  // a missing file is no failure
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(ProxyFormTest, AFileLaidBeforehandIsLoadedAndProbedThrough) {
  settings::ProxyConfig record;
  record.SetHost("127.0.0.9");
  record.SetPort(8888);
  record.SetLogin("Иван"_cp1251);
  record.SetPassword("secret");
  LayFile(record.FileContent());
  Launch();
  EXPECT_TRUE(proxy().Cuseproxy.Checked());
  EXPECT_TRUE(proxy().CEproxy.enabled());
  EXPECT_EQ(proxy().CEproxyport.Text(), "8888");
  EXPECT_TRUE(proxy().Cuseproxyauthorization.Checked());
  EXPECT_TRUE(proxy().CElogin.enabled());
  EXPECT_EQ(proxy().CElogin.Text(), "Иван"_cp1251);
  ASSERT_EQ(connector.sent.size(), 1u);
  EXPECT_EQ(connector.sent[0].destination, (protocol::Endpoint{"127.0.0.9", 8888}));
  EXPECT_EQ(connector.sent[0].Data(), "#PING");
  EXPECT_FALSE(connector.sent[0].Header("Proxy-Authorization").empty());
  // A refusal of the credentials is told.
  session().transport().Completed(connector.sent[0].id, "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n");
  EXPECT_EQ(info().Linfo.caption(), "Прокси-сервер отказал в доступе: проверьте логин и пароль прокси."_cp1251);
}

TEST_F(ProxyFormTest, AShortFileIsReportedAndLeavesNoProxy) {
  LayFile(std::string(100, 'x'));
  Launch();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Proxy.cfg"), std::string::npos);
  EXPECT_FALSE(proxy().Cuseproxy.Checked());
  EXPECT_TRUE(connector.sent.empty());
  EXPECT_TRUE(start().visible());
}

}  // namespace
}  // namespace ozl
