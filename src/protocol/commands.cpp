#include "protocol/commands.h"

#include <array>
#include <charconv>
#include <initializer_list>

#include "text/cp1251.h"

namespace ozl::protocol {
namespace {

std::string Joined(std::string_view code, std::initializer_list<std::string_view> fields) {
  std::string command(code);
  bool first = true;
  for (const std::string_view field : fields) {
    if (!first) command += '|';
    command += field;
    first = false;
  }
  return command;
}

std::string WithId(std::string_view code, std::int32_t id) {
  return std::string(code) + std::to_string(id);
}

std::string_view SexLetter(Sex sex) { return sex == Sex::kMale ? "м"_cp1251 : "ж"_cp1251; }

bool Contains(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

// Takes the text before the first `separator` and removes it with the separator; without one the
// piece is empty and the text stays.
std::string_view TakeUpTo(std::string_view& text, char separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string_view::npos) return {};
  const std::string_view piece = text.substr(0, at);
  text.remove_prefix(at + 1);
  return piece;
}

struct CodeRule {
  std::string_view code;
  Incoming meaning;
};

constexpr std::array<CodeRule, 14> kRecognitionOrder = {{
    {"#R", Incoming::kRegistered},
    {"#A", Incoming::kLoggedIn},
    {"#C", Incoming::kChatLine},
    {"#U", Incoming::kFullLists},
    {"#P", Incoming::kSearchResult},
    {"#I", Incoming::kUserInfo},
    {"#YK", Incoming::kContactChanged},
    {"#YU", Incoming::kOnlineChanged},
    {"#K1", Incoming::kContactAdded},
    {"#K0", Incoming::kContactRemoved},
    {"#0", Incoming::kLogInAgain},
    {"#-", Incoming::kNotice},
    {"#D", Incoming::kEnd},
    {"#S", Incoming::kPrivateMessage},
}};

constexpr std::size_t kChatNickSearchLength = 100;

}  // namespace

std::string LoginCommand(std::string_view id, std::string_view password) {
  return Joined("#A", {id, password});
}

std::string RegistrationCommand(const Registration& r) {
  return Joined("#R", {r.nick, r.first_name, r.surname, r.patronymic, r.email, r.city, r.password,
                       SexLetter(r.sex), r.about, r.chat_nick});
}

std::string PingCommand() { return "#PING"; }
std::string ChatCommand(std::string_view text) { return "#C" + std::string(text); }
std::string EnterChatCommand() { return "#E1"; }
std::string LeaveChatCommand() { return "#E0"; }

std::string SearchCommand(const SearchCriteria& c) {
  return Joined("#P", {c.nick, c.first_name, c.surname, c.patronymic, c.city, c.email, c.id,
                       c.chat_nick});
}

std::string AddContactCommand(std::int32_t id) { return WithId("#K1", id); }
std::string RemoveContactCommand(std::int32_t id) { return WithId("#K0", id); }
std::string UserInfoCommand(std::int32_t id) { return WithId("#I", id); }
std::string ClosedForFriendshipCommand() { return "#L0"; }
std::string OpenForFriendshipCommand() { return "#L1"; }

std::string PrivateMessageCommand(std::string_view id, std::span<const std::string> lines) {
  std::string command = "#S" + std::string(id) + "|";
  for (const std::string& line : lines) {
    command += line;
    command += ' ';
  }
  return command;
}

std::string LogoutCommand() { return "#D"; }

std::optional<std::string> RegistrationRefusal(const Registration& registration,
                                               std::string_view password_repeat) {
  if (Contains(registration.nick, '~')) return std::string("Недопустимый символ ~ в нике."_cp1251);
  if (Contains(registration.nick, '|')) return std::string("Недопустимый символ | в нике."_cp1251);
  if (Contains(RegistrationCommand(registration), '-')) {
    return std::string("Недопустимый символ -."_cp1251);
  }
  if (registration.password != password_repeat) {
    return std::string("Повторение пароля не совпадает."_cp1251);
  }
  return std::nullopt;
}

std::optional<std::string> SearchRefusal(const SearchCriteria& c) {
  for (const std::string_view field : {c.nick, c.first_name, c.surname, c.patronymic, c.city,
                                       c.email, c.id, c.chat_nick}) {
    if (Contains(field, '|')) return std::string("         Недопустимый символ |"_cp1251);
  }
  return std::nullopt;
}

Recognised Recognise(std::string_view line) {
  if (WithoutLineEnd(line) == PingCommand()) return {};
  for (const CodeRule& rule : kRecognitionOrder) {
    if (line.starts_with(rule.code)) return {rule.meaning, line.substr(rule.code.size())};
  }
  return {};
}

std::string_view WithoutLineEnd(std::string_view text) {
  if (text.ends_with('\n')) text.remove_suffix(1);
  return text;
}

std::optional<Login> ParseLogin(std::string_view rest) {
  const std::size_t bar = rest.find('|');
  if (bar == std::string_view::npos) return std::nullopt;
  return Login{rest.substr(0, bar), WithoutLineEnd(rest.substr(bar + 1))};
}

ChatLine ParseChatLine(std::string_view rest) {
  rest = WithoutLineEnd(rest);
  const std::size_t bar = rest.substr(0, kChatNickSearchLength).find('|');
  if (bar != std::string_view::npos) return {rest.substr(0, bar), rest.substr(bar + 1)};
  const std::size_t nick_length = kChatNickSearchLength - 1;
  return {rest.substr(0, nick_length),
          rest.size() > kChatNickSearchLength ? rest.substr(kChatNickSearchLength) : ""};
}

FullLists ParseFullLists(std::string_view rest) {
  const std::size_t tilde = rest.find('~');
  if (tilde == std::string_view::npos) return {WithoutLineEnd(rest), {}};
  return {rest.substr(0, tilde), WithoutLineEnd(rest.substr(tilde + 1))};
}

std::vector<std::string_view> ListEntries(std::string_view list) {
  std::vector<std::string_view> entries;
  for (std::size_t bar = list.find('|'); bar != std::string_view::npos; bar = list.find('|')) {
    entries.push_back(list.substr(0, bar));
    list.remove_prefix(bar + 1);
  }
  return entries;
}

Entry SplitEntry(std::string_view entry) {
  Entry split;
  split.id = TakeUpTo(entry, '-');
  split.nick = TakeUpTo(entry, '-');
  split.status = entry;
  return split;
}

std::vector<std::string_view> EntryParts(std::string_view entry, std::size_t limit) {
  std::vector<std::string_view> parts;
  EntryParts(entry, limit, parts);
  return parts;
}

void EntryParts(std::string_view entry, std::size_t limit, std::vector<std::string_view>& parts) {
  parts.clear();
  while (parts.size() < limit) {
    const std::size_t dash = entry.find('-');
    parts.push_back(entry.substr(0, dash));
    if (dash == std::string_view::npos) break;
    entry.remove_prefix(dash + 1);
  }
}

UserInfo ParseUserInfo(std::string_view rest) {
  rest = WithoutLineEnd(rest);
  UserInfo info;
  for (std::string* field : {&info.nick, &info.first_name, &info.surname, &info.patronymic,
                             &info.city, &info.chat_nick, &info.sex, &info.about, &info.status}) {
    const std::size_t bar = rest.find('|');
    *field = rest.substr(0, bar);
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  return info;
}

std::optional<PrivateMessage> ParsePrivateMessage(std::string_view rest) {
  const std::size_t first_bar = rest.find('|');
  if (first_bar == std::string_view::npos) return std::nullopt;
  const std::size_t second_bar = rest.find('|', first_bar + 1);
  if (second_bar == std::string_view::npos) return std::nullopt;
  const std::string_view id = rest.substr(0, first_bar);
  if (!IsPlainId(id)) return std::nullopt;
  return PrivateMessage{id, rest.substr(first_bar + 1, second_bar - first_bar - 1),
                        WithoutLineEnd(rest.substr(second_bar + 1))};
}

bool IsPlainId(std::string_view id) {
  if (id.empty() || id.size() > 10) return false;
  for (const char c : id) {
    if (c < '0' || c > '9') return false;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), value);
  return error == std::errc{} && end == id.data() + id.size();
}

}  // namespace ozl::protocol
