#include "chat.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include <sodium.h>

#include "notices.h"
#include "text/cp1251.h"

namespace ozl::server {
namespace {

constexpr std::string_view kOnline = "online";
constexpr std::string_view kOffline = "offline";
constexpr std::string_view kChatStatus = "chat";

constexpr std::size_t kMaxNick = 32;
constexpr std::size_t kMaxAbout = 255;
constexpr std::size_t kMaxField = 64;

std::string Notice(std::string_view text) { return "#-" + std::string(text); }

std::string UserNotice(UserId id, std::string_view suffix) {
  return Notice(std::string(notice::kUserPrefix) + std::to_string(id) + std::string(suffix));
}

// The id as the client wrote it, which may hold anything but a line break of its own.
std::string NotFound(std::string_view id_text) {
  return Notice(std::string(notice::kUserPrefix) + OneLine(id_text) + std::string(notice::kNotFoundSuffix));
}

Answer AnswerOf(std::string_view line) { return Answer{std::string(line) + "\r\n", {}}; }

// "#S" lines: the correspondent's id, a nick and the text.
std::string PrivateLine(UserId id, std::string_view nick, std::string_view text) {
  return "#S" + std::to_string(id) + "|" + std::string(nick) + "|" + std::string(text);
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A client key is the address, a blank and the session value.
std::string_view AddressOf(std::string_view client) { return client.substr(0, client.rfind(' ')); }
std::string_view SessionOf(std::string_view client) { return client.substr(client.rfind(' ') + 1); }

// Registration fields in the order the client sends them.
enum RegistrationField {
  kNick, kFirstName, kSurname, kPatronymic, kEmail, kCity, kPassword, kSex, kAbout, kChatNick, kFieldCount
};

std::optional<std::string_view> ProfileProblem(const std::vector<std::string_view>& fields) {
  if (fields.size() != kFieldCount) return notice::kBadProfile;
  for (const std::string_view field : fields) {
    if (HasControlCharacter(field)) return notice::kControlCharacter;
  }
  const std::string_view nick = fields[kNick];
  if (nick.empty()) return notice::kEmptyNick;
  if (HasListSeparator(nick)) return notice::kNickSeparator;
  if (fields[kPassword].empty()) return notice::kEmptyPassword;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::size_t limit = i == kNick ? kMaxNick : i == kAbout ? kMaxAbout : kMaxField;
    if (fields[i].size() > limit) return notice::kFieldTooLong;
  }
  return std::nullopt;
}

// A web chat can hold at most this many users with the same chat nick apart: each costs a
// password check.
constexpr int kMaxChatNickSharers = 4;

// 128 random bits in hexadecimal.
std::string NewToken() {
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
  std::array<unsigned char, 16> bits{};
  randombytes_buf(bits.data(), bits.size());
  std::array<char, 33> hex{};
  sodium_bin2hex(hex.data(), hex.size(), bits.data(), bits.size());
  return hex.data();
}

}  // namespace

Chat::Chat(Store& store, ChatLimits limits)
    : store_(store),
      limits_(limits),
      unknown_sessions_(limits.unknown_sessions, limits.rationed_keys),
      failed_logins_by_user_(limits.failed_logins_per_user, limits.rationed_keys),
      failed_logins_by_address_(limits.failed_logins_per_address, limits.rationed_keys),
      web_lines_(limits.broadcasts, limits.rationed_keys) {}

std::string Chat::ClientKey(std::string_view address, std::string_view session) {
  std::string key(address);
  key.push_back(' ');
  key.append(session);
  return key;
}

Answer Chat::Busy(const PasswordWork& work, Clock::time_point now) {
  // The password was never checked, so the attempt is not counted.
  if (work.login != 0) failed_logins_by_user_.GiveBack(std::to_string(work.login), now);
  for (const UserId candidate : work.web_candidates) failed_logins_by_user_.GiveBack(std::to_string(candidate), now);
  return AnswerOf(Notice(notice::kBusy));
}

Outcome Chat::Handle(std::string_view client, std::string_view command, Clock::time_point now,
                     const std::optional<CommandMark>& mark) {
  if (SessionOf(client) == kProbeSession) return Answer{};
  if (StartsWith(command, "#A")) return StartLogin(client, command.substr(2), now);
  if (StartsWith(command, "#R")) return StartRegistration(client, command.substr(2));

  const std::string_view address = AddressOf(client);
  if (!unknown_sessions_.Allows(address, now)) {
    Refused(unknown_sessions_, address, "too many unknown sessions from ", now);
    return Answer{{}, {}, true};
  }
  const auto found = sessions_.find(std::string(client));
  if (found == sessions_.end()) {
    unknown_sessions_.Take(address, now);
    return AnswerOf("#0");
  }
  Session& session = found->second;
  if (session.replaced) {
    RemoveSession(found);
    return Answer{Notice(notice::kReplaced) + "\r\n#D\r\n", {}};
  }
  Touch(session, now);

  if (command == "#PING") {
  } else if (StartsWith(command, "#D")) {
    TakeOffline(session.user, now);
    RemoveSession(found);
    return AnswerOf("#D");
  } else if (StartsWith(command, "#E1")) {
    EnterChat(session, now);
  } else if (StartsWith(command, "#E0")) {
    LeaveChat(session, now);
  } else if (StartsWith(command, "#K1")) {
    AddContact(session, command.substr(3));
  } else if (StartsWith(command, "#K0")) {
    RemoveContact(session, command.substr(3));
  } else if (StartsWith(command, "#L0") || StartsWith(command, "#L1")) {
    store_.SetClosedForFriendship(session.user, command[2] == '0');
  } else if (StartsWith(command, "#C")) {
    SayInChat(session, command.substr(2), mark, now);
  } else if (StartsWith(command, "#P")) {
    Search(session, command.substr(2));
  } else if (StartsWith(command, "#I")) {
    ShowInfo(session, command.substr(2));
  } else if (StartsWith(command, "#S")) {
    SendPrivate(session, command.substr(2), mark);
  }
  return Drain(session);
}

Outcome Chat::StartLogin(std::string_view client, std::string_view fields, Clock::time_point now) {
  const std::string_view address = AddressOf(client);
  if (!failed_logins_by_address_.Allows(address, now)) {
    Refused(failed_logins_by_address_, address, "too many failed logins from ", now);
    return AnswerOf(Notice(notice::kTooManyLogins));
  }
  const std::size_t bar = fields.find('|');
  const std::optional<UserId> id = ParseUserId(fields.substr(0, bar));
  std::optional<UserRecord> user = bar != std::string_view::npos && id ? store_.FindUser(*id) : std::nullopt;
  // A stored value that is empty would read as "make a hash": it can never match.
  if (!user || user->id == companion_ || user->password_hash.empty()) {
    failed_logins_by_address_.Charge(address, now);
    return AnswerOf(Notice(notice::kWrongLogin));
  }
  // The attempt counts against the user from its start, so that many sent at once cannot all
  // pass the check before the first of them has failed; a success gives it back.
  if (!failed_logins_by_user_.Take(std::to_string(*id), now)) {
    Refused(failed_logins_by_user_, std::to_string(*id), "too many failed logins for user ", now);
    return AnswerOf(Notice(notice::kTooManyLogins));
  }
  PasswordWork work;
  work.task.password = std::string(fields.substr(bar + 1));
  work.task.stored_hashes.push_back(std::move(user->password_hash));
  work.client = std::string(client);
  work.login = *id;
  return work;
}

Outcome Chat::StartRegistration(std::string_view client, std::string_view fields) {
  const std::vector<std::string_view> field = SplitFields(fields);
  if (const auto problem = ProfileProblem(field)) return AnswerOf(Notice(*problem));
  PasswordWork work;
  work.task.password = std::string(field[kPassword]);
  work.client = std::string(client);
  work.registration = Profile{std::string(field[kNick]),    std::string(field[kFirstName]),
                              std::string(field[kSurname]), std::string(field[kPatronymic]),
                              std::string(field[kEmail]),   std::string(field[kCity]),
                              std::string(field[kSex]),     std::string(field[kAbout]),
                              std::string(field[kChatNick])};
  return work;
}

Answer Chat::Finish(PasswordWork work, Clock::time_point now) {
  if (work.login == 0) return FinishRegistration(work);
  if (!work.task.matched) {
    failed_logins_by_address_.Charge(AddressOf(work.client), now);
    return AnswerOf(Notice(notice::kWrongLogin));
  }
  failed_logins_by_user_.GiveBack(std::to_string(work.login), now);
  return FinishLogin(work.client, work.login, now);
}

Answer Chat::FinishRegistration(const PasswordWork& work) {
  // Hashing failed for want of memory: nothing is registered without a hash.
  if (work.task.new_hash.empty()) return AnswerOf(Notice(notice::kBusy));
  const std::optional<UserId> id = store_.AddUser(work.registration, work.task.new_hash);
  if (!id) return AnswerOf(Notice(notice::kNoFreeIds));
  return AnswerOf("#R" + std::to_string(*id));
}

Answer Chat::FinishLogin(const std::string& client, UserId user, Clock::time_point now) {
  const std::optional<UserRecord> record = store_.FindUser(user);
  if (!record) return AnswerOf(Notice(notice::kWrongLogin));
  const std::string& nick = record->profile.nick;

  if (const auto same_key = sessions_.find(client); same_key != sessions_.end()) {
    const Session& old = same_key->second;
    if (!old.replaced && old.user == user) {
      // The same client logging in again under the same session value: no presence flap.
      online_.at(user).session = nullptr;
    } else if (!old.replaced) {
      TakeOffline(old.user, now);
    }
    RemoveSession(same_key);
  }

  auto online = online_.find(user);
  if (online != online_.end()) {
    if (Session* previous = online->second.session) {
      previous->replaced = true;
      previous->outbox.clear();
    }
    if (online->second.presence == Presence::kChat) {
      online->second.presence = Presence::kOnline;
      if (!InChat(online->second)) Announce(user, nick, kOnline, now);
    }
  } else {
    online = online_.emplace(user, OnlineUser{nick, Presence::kOnline, nullptr}).first;
    Announce(user, nick, kOnline, now);
  }

  auto [place, inserted] = sessions_.try_emplace(client);
  Session& session = place->second;
  session.user = user;
  session.key = &place->first;
  session.last_seen = now;
  session.presence_cursor = next_sequence_;
  session.chat_cursor = next_sequence_;
  session.idle_place = idle_order_.insert(idle_order_.end(), &session);
  online->second.session = &session;

  Push(session, "#A" + record->profile.chat_nick + "|" + nick);
  Push(session, FullLists(user));
  for (StoredMessage& message : store_.PendingMessages(user)) {
    Push(session, PrivateLine(message.sender, message.sender_nick, message.text), message.id);
  }
  return Drain(session);
}

void Chat::EnterChat(Session& session, Clock::time_point now) {
  OnlineUser& user = online_.at(session.user);
  if (user.presence == Presence::kChat || !MayBroadcast(session, now)) return;
  const bool was_in_chat = InChat(user);
  user.presence = Presence::kChat;
  session.chat_cursor = next_sequence_;
  if (!was_in_chat) Announce(session.user, user.nick, kChatStatus, now);
}

void Chat::LeaveChat(Session& session, Clock::time_point now) {
  OnlineUser& user = online_.at(session.user);
  if (user.presence != Presence::kChat || !MayBroadcast(session, now)) return;
  user.presence = Presence::kOnline;
  if (!InChat(user)) Announce(session.user, user.nick, kOnline, now);
}

void Chat::SayInChat(Session& session, std::string_view text, const std::optional<CommandMark>& mark,
                     Clock::time_point now) {
  const OnlineUser& user = online_.at(session.user);
  if (user.presence != Presence::kChat) {
    Push(session, Notice(notice::kNotInChat));
    return;
  }
  if (text.size() > limits_.longest_chat_line) {
    Push(session, Notice(notice::kChatLineTooLong));
    return;
  }
  const std::string said = OneLine(text);
  const std::string line = "#C" + user.nick + "|" + said;
  // The lost answer carried the writer's own line; everybody else has it already.
  if (IsRepeat(session, mark)) {
    Push(session, line);
    return;
  }
  if (!MayBroadcast(session, now)) return;
  // Kept before the line goes out, so that a failure to keep it leaves nothing done.
  if (mark) store_.KeepMark(session.user, *mark);
  chat_log_.Append(next_sequence_++, now, line);
  AnswerInChat(user.nick, said, now, [&] { return session.broadcasts.Take(limits_.broadcasts, now); });
}

// The companion answers a line whose leading "(для nick) " prefixes name him, addressed back to
// the writer. The answer is paid from the writer's own ration of lines for everybody, so nobody
// can make the companion say more in the room than he could say himself.
void Chat::AnswerInChat(std::string_view writer_nick, std::string_view text, Clock::time_point now,
                        const std::function<bool()>& pay) {
  const auto companion = companion_ ? online_.find(*companion_) : online_.end();
  if (companion == online_.end()) return;
  const std::string_view opening = "(для "_cp1251;
  constexpr std::string_view kClosing = ") ";
  bool addressed = false;
  while (StartsWith(text, opening)) {
    const std::size_t closing = text.find(kClosing, opening.size());
    if (closing == std::string_view::npos) break;
    addressed = addressed || text.substr(opening.size(), closing - opening.size()) == companion->second.nick;
    text.remove_prefix(closing + kClosing.size());
  }
  if (!addressed || !pay()) return;
  chat_log_.Append(next_sequence_++, now,
                   "#C" + companion->second.nick + "|" + std::string(opening) + std::string(writer_nick) +
                       std::string(kClosing) + std::string(text));
}

void Chat::Search(Session& session, std::string_view fields) {
  std::vector<std::string_view> field = SplitFields(fields);
  field.resize(8);
  SearchCriteria criteria{std::string(field[0]), std::string(field[1]), std::string(field[2]),
                          std::string(field[3]), std::string(field[4]), std::string(field[5]),
                          std::string(field[7]), std::nullopt};
  std::string line = "#P";
  if (!field[6].empty()) {
    criteria.id = ParseUserId(field[6]);
    // An identifier that is no number matches nobody.
    if (!criteria.id) {
      Push(session, std::move(line));
      return;
    }
  }
  for (const UserName& user : store_.Search(criteria, limits_.search_results)) {
    line += Entry(user.id, user.nick, StatusOf(user.id));
    line.push_back('|');
  }
  Push(session, std::move(line));
}

void Chat::AddContact(Session& session, std::string_view id_text) {
  const std::optional<UserId> id = ParseUserId(id_text);
  const std::optional<UserRecord> contact = id ? store_.FindUser(*id) : std::nullopt;
  if (!contact) {
    Push(session, NotFound(id_text));
    return;
  }
  if (contact->id == session.user) {
    Push(session, Notice(notice::kContactSelf));
    return;
  }
  if (contact->closed_for_friendship) {
    Push(session, UserNotice(contact->id, notice::kClosedSuffix));
    return;
  }
  if (store_.ContactCount(session.user) >= limits_.max_contacts) {
    Push(session, Notice(notice::kContactsFull));
    return;
  }
  store_.AddContact(session.user, contact->id);
  Push(session, "#K1" + Entry(contact->id, contact->profile.nick, StatusOf(contact->id)));
}

void Chat::RemoveContact(Session& session, std::string_view id_text) {
  const std::optional<UserId> id = ParseUserId(id_text);
  if (!id) return;
  store_.RemoveContact(session.user, *id);
  Push(session, "#K0" + std::to_string(*id));
}

void Chat::ShowInfo(Session& session, std::string_view id_text) {
  const std::optional<UserId> id = ParseUserId(id_text);
  const std::optional<UserRecord> user = id ? store_.FindUser(*id) : std::nullopt;
  if (!user) {
    Push(session, NotFound(id_text));
    return;
  }
  const Profile& p = user->profile;
  std::string line = "#I";
  for (const std::string* field : {&p.nick, &p.first_name, &p.surname, &p.patronymic, &p.city, &p.chat_nick,
                                   &p.sex, &p.about}) {
    line += *field;
    line.push_back('|');
  }
  line += StatusOf(user->id);
  Push(session, std::move(line));
}

void Chat::SendPrivate(Session& session, std::string_view fields, const std::optional<CommandMark>& mark) {
  const std::size_t bar = fields.find('|');
  if (bar == std::string_view::npos) return;
  const std::string_view id_text = fields.substr(0, bar);
  const std::string text = OneLine(fields.substr(bar + 1));
  const std::optional<UserId> id = ParseUserId(id_text);
  const std::optional<UserRecord> recipient = id ? store_.FindUser(*id) : std::nullopt;
  if (!recipient) {
    Push(session, NotFound(id_text));
    return;
  }
  const std::string& sender_nick = online_.at(session.user).nick;
  if (recipient->id == companion_) {
    Push(session, PrivateLine(recipient->id, sender_nick, text));
    Push(session, PrivateLine(recipient->id, recipient->profile.nick, std::string(notice::kCompanionReply) + text));
    return;
  }
  // The sender sees his message only in the echo, which went with the lost answer.
  const bool echoed = recipient->id != session.user;
  if (IsRepeat(session, mark)) {
    if (echoed) Push(session, PrivateLine(recipient->id, sender_nick, text));
    return;
  }
  if (store_.PendingCount(recipient->id) >= limits_.max_pending_messages) {
    Push(session, Notice(notice::kRecipientFull));
    return;
  }
  const std::int64_t stored = store_.AddMessage(recipient->id, session.user, sender_nick, text, mark);
  if (const auto online = online_.find(recipient->id); online != online_.end() && online->second.session) {
    Push(*online->second.session, PrivateLine(session.user, sender_nick, text), stored);
  }
  if (echoed) Push(session, PrivateLine(recipient->id, sender_nick, text));
}

bool Chat::IsRepeat(const Session& session, const std::optional<CommandMark>& mark) {
  return mark && store_.CarriedOut(session.user, *mark);
}

bool Chat::MayBroadcast(Session& session, Clock::time_point now) {
  if (session.broadcasts.Take(limits_.broadcasts, now)) return true;
  if (log_ && session.broadcasts.ReportRefusal(now)) {
    log_("refused: lines for everybody too often from user " + std::to_string(session.user));
  }
  Push(session, Notice(notice::kTooOften));
  return false;
}

void Chat::Push(Session& session, std::string text, std::int64_t stored_message) {
  session.outbox.push_back({next_sequence_++, std::move(text), stored_message});
}

Answer Chat::Drain(Session& session) {
  Answer answer;
  const auto online = online_.find(session.user);
  const bool in_chat = online != online_.end() && online->second.presence == Presence::kChat;
  auto presence = presence_log_.From(session.presence_cursor);
  auto chat = in_chat ? chat_log_.From(session.chat_cursor) : chat_log_.end();
  auto own = session.outbox.begin();
  constexpr std::uint64_t kNone = std::numeric_limits<std::uint64_t>::max();
  // The three streams are each in order; merging by sequence keeps the order of events.
  while (true) {
    const std::uint64_t own_next = own != session.outbox.end() ? own->sequence : kNone;
    const std::uint64_t presence_next = presence != presence_log_.end() ? presence->sequence : kNone;
    const std::uint64_t chat_next = chat != chat_log_.end() ? chat->sequence : kNone;
    const std::uint64_t next = std::min({own_next, presence_next, chat_next});
    if (next == kNone) break;
    if (next == own_next) {
      answer.body += own->text;
      if (own->stored_message != 0) answer.stored_messages.push_back(own->stored_message);
      ++own;
    } else if (next == presence_next) {
      answer.body += presence->line;
      ++presence;
    } else {
      answer.body += chat->line;
      ++chat;
    }
    answer.body += "\r\n";
  }
  session.outbox.clear();
  session.presence_cursor = next_sequence_;
  session.chat_cursor = next_sequence_;
  return answer;
}

void Chat::Touch(Session& session, Clock::time_point now) {
  session.last_seen = now;
  idle_order_.splice(idle_order_.end(), idle_order_, session.idle_place);
}

std::string Chat::FullLists(UserId user) {
  std::string line = "#U";
  for (const auto& [id, online] : online_) {
    line += Entry(id, online.nick, StatusOf(online));
    line.push_back('|');
  }
  line.push_back('~');
  for (const UserName& contact : store_.Contacts(user)) {
    line += Entry(contact.id, contact.nick, StatusOf(contact.id));
    line.push_back('|');
  }
  return line;
}

std::string_view Chat::StatusOf(UserId user) const {
  const auto online = online_.find(user);
  return online == online_.end() ? kOffline : StatusOf(online->second);
}

std::string_view Chat::StatusOf(const OnlineUser& user) { return InChat(user) ? kChatStatus : kOnline; }

void Chat::Announce(UserId user, std::string_view nick, std::string_view status, Clock::time_point now) {
  const std::string entry = Entry(user, nick, status);
  presence_log_.Append(next_sequence_++, now, "#YU" + entry);
  for (const UserId owner : store_.ContactOwners(user)) {
    const auto online = online_.find(owner);
    if (online != online_.end() && online->second.session) Push(*online->second.session, "#YK" + entry);
  }
}

void Chat::TakeOffline(UserId user, Clock::time_point now) {
  const auto online = online_.find(user);
  if (online == online_.end()) return;
  if (online->second.web_chats > 0) {
    // His browser keeps him in the room.
    online->second.presence = Presence::kOnline;
    online->second.session = nullptr;
    return;
  }
  const std::string nick = std::move(online->second.nick);
  online_.erase(online);
  Announce(user, nick, kOffline, now);
}

void Chat::RemoveSession(Sessions::iterator session) {
  idle_order_.erase(session->second.idle_place);
  sessions_.erase(session);
}

void Chat::EndSession(Sessions::iterator session, Clock::time_point now) {
  if (!session->second.replaced) TakeOffline(session->second.user, now);
  RemoveSession(session);
}

void Chat::ExpireIdle(Clock::time_point now) {
  while (!idle_order_.empty() && now - idle_order_.front()->last_seen > limits_.idle_timeout) {
    EndSession(sessions_.find(*idle_order_.front()->key), now);
  }
  for (auto web = web_chats_.begin(); web != web_chats_.end();) {
    const auto next = std::next(web);
    if (now - web->second.last_seen > limits_.idle_timeout) EndWebChat(web, now);
    web = next;
  }
  presence_log_.ForgetBefore(now - limits_.idle_timeout);
  chat_log_.ForgetBefore(now - limits_.idle_timeout);
  unknown_sessions_.Forget(now);
  failed_logins_by_user_.Forget(now);
  failed_logins_by_address_.Forget(now);
}

void Chat::Delivered(std::span<const std::int64_t> message_ids) { store_.DeleteMessages(message_ids); }

void Chat::SetCompanion(UserId id) {
  const std::optional<UserRecord> user = store_.FindUser(id);
  if (!user) return;
  companion_ = id;
  online_.insert_or_assign(id, OnlineUser{user->profile.nick, Presence::kChat, nullptr});
}

std::variant<PasswordWork, WebRefusal> Chat::StartWebChat(std::string_view address, std::string_view chat_nick,
                                                        std::string_view password, Clock::time_point now) {
  if (!failed_logins_by_address_.Allows(address, now)) {
    Refused(failed_logins_by_address_, address, "too many failed logins from ", now);
    return WebRefusal::kTooManyLogins;
  }
  PasswordWork work;
  bool rationed = false;
  for (UserRecord& user : store_.UsersWithChatNick(chat_nick, kMaxChatNickSharers)) {
    if (user.id == companion_ || user.password_hash.empty()) continue;
    if (!failed_logins_by_user_.Take(std::to_string(user.id), now)) {
      rationed = true;
      Refused(failed_logins_by_user_, std::to_string(user.id), "too many failed logins for user ", now);
      continue;
    }
    work.web_candidates.push_back(user.id);
    work.task.stored_hashes.push_back(std::move(user.password_hash));
  }
  if (work.web_candidates.empty()) {
    if (rationed) return WebRefusal::kTooManyLogins;
    failed_logins_by_address_.Charge(address, now);
    return WebRefusal::kWrongLogin;
  }
  work.task.password = std::string(password);
  work.client = std::string(address);
  return work;
}

std::variant<WebChatEntry, WebRefusal> Chat::FinishWebChat(const PasswordWork& work, Clock::time_point now) {
  if (!work.task.matched) {
    failed_logins_by_address_.Charge(work.client, now);
    return WebRefusal::kWrongLogin;
  }
  for (const UserId candidate : work.web_candidates) failed_logins_by_user_.GiveBack(std::to_string(candidate), now);
  const UserId id = work.web_candidates.at(*work.task.matched);
  const std::optional<UserRecord> user = store_.FindUser(id);
  if (!user) return WebRefusal::kWrongLogin;
  // Entering the room is a line for everybody, rationed like the lines said there.
  if (!web_lines_.Take(std::to_string(id), now)) {
    Refused(web_lines_, std::to_string(id), "web chat too often for user ", now);
    return WebRefusal::kTooOften;
  }
  auto online = online_.find(id);
  if (online == online_.end()) online = online_.emplace(id, OnlineUser{user->profile.nick}).first;
  const bool was_in_chat = InChat(online->second);
  ++online->second.web_chats;
  if (!was_in_chat) Announce(id, online->second.nick, kChatStatus, now);

  std::string token = NewToken();
  WebChat& web = web_chats_[token];
  web.user = id;
  web.nick = online->second.nick;
  web.last_seen = now;
  // The room's recent lines are already there when the page opens.
  web.chat_cursor = 0;
  web.presence_cursor = next_sequence_;
  return WebChatEntry{std::move(token), web.nick};
}

Chat::WebChat* Chat::FindWebChat(std::string_view address, std::string_view token, Clock::time_point now,
                                 std::optional<WebRefusal>& refusal) {
  // Guessing tokens costs like guessing sessions.
  if (!unknown_sessions_.Allows(address, now)) {
    Refused(unknown_sessions_, address, "too many unknown sessions from ", now);
    refusal = WebRefusal::kTooManyRequests;
    return nullptr;
  }
  const auto found = web_chats_.find(std::string(token));
  if (found == web_chats_.end()) {
    unknown_sessions_.Take(address, now);
    refusal = WebRefusal::kSessionEnded;
    return nullptr;
  }
  found->second.last_seen = now;
  return &found->second;
}

std::variant<WebChatNews, WebRefusal> Chat::PollWebChat(std::string_view address, std::string_view token,
                                                        Clock::time_point now) {
  std::optional<WebRefusal> refusal;
  WebChat* web = FindWebChat(address, token, now, refusal);
  if (!web) return *refusal;
  return NewsFor(*web);
}

std::variant<WebChatNews, WebRefusal> Chat::SayInWebChat(std::string_view address, std::string_view token,
                                                         std::string_view text, Clock::time_point now) {
  std::optional<WebRefusal> refusal;
  WebChat* web = FindWebChat(address, token, now, refusal);
  if (!web) return *refusal;
  if (text.size() > limits_.longest_chat_line) return WebRefusal::kTooLong;
  const std::string line = OneLine(text);
  if (line.empty()) return NewsFor(*web);
  const std::string user = std::to_string(web->user);
  if (!web_lines_.Take(user, now)) {
    Refused(web_lines_, user, "web chat lines too often from user ", now);
    return WebRefusal::kTooOften;
  }
  chat_log_.Append(next_sequence_++, now, "#C" + web->nick + "|" + line);
  AnswerInChat(web->nick, line, now, [&] { return web_lines_.Take(user, now); });
  return NewsFor(*web);
}

WebChatNews Chat::NewsFor(WebChat& web) {
  WebChatNews news;
  news.own_nick = web.nick;
  for (auto line = chat_log_.From(web.chat_cursor); line != chat_log_.end(); ++line) {
    const std::string_view said = std::string_view(line->line).substr(2);
    const std::size_t bar = said.find('|');
    news.lines.push_back({std::string(said.substr(0, bar)), std::string(said.substr(bar + 1))});
  }
  if (!web.participants_sent || presence_log_.From(web.presence_cursor) != presence_log_.end()) {
    std::vector<std::string> nicks;
    for (const auto& [id, user] : online_) {
      if (InChat(user)) nicks.push_back(user.nick);
    }
    std::sort(nicks.begin(), nicks.end());
    news.participants = std::move(nicks);
    web.participants_sent = true;
  }
  web.chat_cursor = next_sequence_;
  web.presence_cursor = next_sequence_;
  return news;
}

void Chat::LeaveWebChat(std::string_view token, Clock::time_point now) {
  const auto found = web_chats_.find(std::string(token));
  if (found != web_chats_.end()) EndWebChat(found, now);
}

void Chat::EndWebChat(std::unordered_map<std::string, WebChat>::iterator web, Clock::time_point now) {
  const UserId id = web->second.user;
  web_chats_.erase(web);
  const auto online = online_.find(id);
  if (online == online_.end()) return;
  OnlineUser& user = online->second;
  --user.web_chats;
  if (InChat(user)) return;
  if (user.session == nullptr) {
    TakeOffline(id, now);
  } else {
    Announce(id, user.nick, kOnline, now);
  }
}

void Chat::Refused(Rations& rations, std::string_view key, std::string_view what, Clock::time_point now) {
  if (log_ && rations.ReportRefusal(key, now)) log_("refused: " + std::string(what) + std::string(key));
}

}  // namespace ozl::server
