#include "demo.h"

#include <sstream>

#include "text/cp1251.h"

namespace ozl::server {
namespace {

constexpr std::string_view kSettingName = "demo accounts";
// No password hash has this form, so no password opens the companion's account.
constexpr std::string_view kNoPassword = "!";

struct DemoUser {
  Profile profile;
  std::string password;
};

std::vector<DemoUser> DemoUsers() {
  return {
      {{"Kot", std::string("Иван"_cp1251), std::string("Котов"_cp1251), std::string("Иванович"_cp1251),
        "kot@example.org", std::string("Москва"_cp1251), std::string("м"_cp1251),
        std::string("Демонстрационная учётная запись"_cp1251), "kot"},
       "kot2002"},
      {{"Zayka", std::string("Анна"_cp1251), std::string("Зайцева"_cp1251), std::string("Петровна"_cp1251),
        "zayka@example.org", std::string("Казань"_cp1251), std::string("ж"_cp1251),
        std::string("Демонстрационная учётная запись"_cp1251), "zayka"},
       "zayka2002"},
      {{"Echo", std::string("Эхо"_cp1251), "", "", "", "", "", std::string("Отвечаю на личные сообщения"_cp1251),
        "echo"},
       ""},
  };
}

std::optional<std::vector<UserId>> KnownIds(Store& store) {
  const std::optional<std::string> setting = store.Setting(kSettingName);
  if (!setting) return std::nullopt;
  std::vector<UserId> ids;
  for (const std::string_view field : SplitFields(*setting, ',')) {
    const std::optional<UserId> id = ParseUserId(field);
    if (!id || !store.FindUser(*id)) return std::nullopt;
    ids.push_back(*id);
  }
  if (ids.size() != DemoUsers().size()) return std::nullopt;
  return ids;
}

}  // namespace

Demo EnsureDemo(Store& store, PasswordCost cost) {
  const std::vector<DemoUser> users = DemoUsers();
  std::optional<std::vector<UserId>> ids = KnownIds(store);
  if (!ids) {
    ids.emplace();
    for (const DemoUser& user : users) {
      const std::string hash = user.password.empty() ? std::string(kNoPassword) : HashPassword(user.password, cost);
      const std::optional<UserId> id = store.AddUser(user.profile, hash);
      if (!id) throw StoreError("no free identifier for the demo accounts");
      ids->push_back(*id);
    }
    const UserId kot = (*ids)[0];
    const UserId zayka = (*ids)[1];
    const UserId echo = (*ids)[2];
    store.AddContact(kot, zayka);
    store.AddContact(kot, echo);
    store.AddContact(zayka, kot);
    store.AddContact(zayka, echo);
    std::ostringstream setting;
    setting << kot << ',' << zayka << ',' << echo;
    store.SetSetting(kSettingName, setting.str());
  }
  Demo demo;
  for (std::size_t i = 0; i + 1 < users.size(); ++i) {
    demo.accounts.push_back({(*ids)[i], users[i].profile.nick, users[i].password});
  }
  demo.companion = {ids->back(), users.back().profile.nick, ""};
  return demo;
}

}  // namespace ozl::server
