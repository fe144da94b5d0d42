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

void StartSodium() {
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
}

// 128 random bits in hexadecimal.
std::string NewToken() {
  StartSodium();
  std::array<unsigned char, 16> bits{};
  randombytes_buf(bits.data(), bits.size());
  std::array<char, 33> hex{};
  sodium_bin2hex(hex.data(), hex.size(), bits.data(), bits.size());
  return hex.data();
}

// A node's name: random, so that a node started again is a node of its own.
NodeId NewNodeId() {
  StartSodium();
  NodeId id = 0;
  while (id == 0) randombytes_buf(&id, sizeof id);
  return id;
}

// The place of the users every node holds online, such as the companion.
constexpr NodeId kEveryNode = 0;

// What the nodes say to each other.
enum BusKind : char {
  kJoined = 'J',      // a node started: the others tell it whom they hold
  kHeartbeat = 'H',   // a node lives
  kNodeGone = 'E',    // a node was not heard of for the idle timeout: field the node
  kPresence = 'P',    // user, presence, "1" for a login, nick
  kChatLine = 'C',    // the line as clients get it
  kStoredMessage = 'M',  // user: a private message was stored for him
};

}  // namespace

std::string Answer::Whole() const {
  std::string whole = body;
  if (shared) whole.insert(shared_at, *shared, 0, shared_size);
  return whole;
}

Chat::Chat(Store& store, ChatLimits limits, Bus* bus)
    : store_(store),
      limits_(limits),
      own_bus_(bus ? nullptr : std::make_unique<LoopbackBus>()),
      bus_(bus ? *bus : *own_bus_),
      node_(NewNodeId()),
      unknown_sessions_(limits.unknown_sessions, limits.rationed_keys),
      failed_logins_by_user_(limits.failed_logins_per_user, limits.rationed_keys),
      failed_logins_by_address_(limits.failed_logins_per_address, limits.rationed_keys),
      web_lines_(limits.broadcasts, limits.rationed_keys) {
  Publish(kJoined, {});
}

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
  // A login on another node may have taken this client over.
  Settle(now);
  Session& session = found->second;
  if (session.replaced) {
    RemoveSession(found);
    return Answer{Notice(notice::kReplaced) + "\r\n#D\r\n", {}};
  }
  Touch(session, now);

  if (command == "#PING") {
  } else if (StartsWith(command, "#D")) {
    TakeOffline(session.user);
    RemoveSession(found);
    Settle(now);
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
  return Drain(session, now);
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

  if (const auto same_key = sessions_.find(client); same_key != sessions_.end()) {
    const Session& old = same_key->second;
    if (!old.replaced && old.user == user) {
      // The same client logging in again under the same session value: no presence flap.
      local_.at(user).session = nullptr;
    } else if (!old.replaced) {
      TakeOffline(old.user);
    }
    RemoveSession(same_key);
  }

  LocalUser& local = local_[user];
  local.nick = record->profile.nick;
  if (Session* previous = local.session) {
    previous->replaced = true;
    previous->outbox.clear();
  }
  local.client_in_chat = false;

  auto [place, inserted] = sessions_.try_emplace(client);
  Session& session = place->second;
  session.user = user;
  session.key = &place->first;
  session.last_seen = now;
  session.idle_place = idle_order_.insert(idle_order_.end(), &session);
  local.session = &session;
  Tell(user, true);
  Settle(now);

  // The lists below hold what happened until now, himself included.
  session.presence_cursor = next_sequence_;
  session.chat_cursor = next_sequence_;
  Push(session, "#A" + record->profile.chat_nick + "|" + record->profile.nick);
  Push(session, FullLists(user));
  session.greeted = true;
  PushStoredMessages(session);
  return Drain(session, now);
}

void Chat::EnterChat(Session& session, Clock::time_point now) {
  LocalUser& user = local_.at(session.user);
  if (user.client_in_chat || !MayBroadcast(session, now)) return;
  user.client_in_chat = true;
  session.chat_cursor = next_sequence_;
  Tell(session.user);
}

void Chat::LeaveChat(Session& session, Clock::time_point now) {
  LocalUser& user = local_.at(session.user);
  if (!user.client_in_chat || !MayBroadcast(session, now)) return;
  user.client_in_chat = false;
  Tell(session.user);
}

void Chat::SayInChat(Session& session, std::string_view text, const std::optional<CommandMark>& mark,
                     Clock::time_point now) {
  const LocalUser& user = local_.at(session.user);
  if (!user.client_in_chat) {
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
  Publish(kChatLine, {line});
  AnswerInChat(user.nick, said, [&] { return session.broadcasts.Take(limits_.broadcasts, now); });
}

// The companion answers a line whose leading "(для nick) " prefixes name him, addressed back to
// the writer. The answer is paid from the writer's own ration of lines for everybody, so nobody
// can make the companion say more in the room than he could say himself. The writer's node
// answers, so the room hears the answer once.
void Chat::AnswerInChat(std::string_view writer_nick, std::string_view text, const std::function<bool()>& pay) {
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
  Publish(kChatLine, {"#C" + companion->second.nick + "|" + std::string(opening) + std::string(writer_nick) +
                      std::string(kClosing) + std::string(text)});
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
  const std::string sender_nick = local_.at(session.user).nick;
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
  const auto here = local_.find(recipient->id);
  if (here != local_.end() && here->second.session && here->second.session->greeted) {
    Session& reader = *here->second.session;
    Push(reader, PrivateLine(session.user, sender_nick, text), stored);
    reader.pushed_messages.push_back(stored);
  } else {
    // He may be logging in on another node this very moment: that node looks again.
    Publish(kStoredMessage, {std::to_string(recipient->id)});
  }
  if (echoed) Push(session, PrivateLine(recipient->id, sender_nick, text));
}

void Chat::PushStoredMessages(Session& session) {
  std::vector<std::int64_t> waiting;
  for (StoredMessage& message : store_.PendingMessages(session.user)) {
    waiting.push_back(message.id);
    if (std::find(session.pushed_messages.begin(), session.pushed_messages.end(), message.id) !=
        session.pushed_messages.end()) {
      continue;
    }
    Push(session, PrivateLine(message.sender, message.sender_nick, message.text), message.id);
  }
  // Those no longer stored were delivered.
  session.pushed_messages = std::move(waiting);
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
  Push(session, Line{0, std::move(text), stored_message, nullptr, 0, {}});
}

void Chat::Push(Session& session, Line line) {
  line.sequence = next_sequence_++;
  session.outbox.push_back(std::move(line));
}

Answer Chat::Drain(Session& session, Clock::time_point now) {
  Settle(now);
  Answer answer;
  const auto here = local_.find(session.user);
  const bool in_chat =
      !session.replaced && here != local_.end() && here->second.session == &session && here->second.client_in_chat;
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
      if (own->shared && !answer.shared) {
        answer.shared = own->shared;
        answer.shared_size = own->shared_size;
        answer.shared_at = answer.body.size();
      } else if (own->shared) {
        answer.body.append(*own->shared, 0, own->shared_size);
      }
      answer.body += own->tail;
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

Chat::Line Chat::FullLists(UserId user) {
  if (!online_entries_) {
    online_entries_ = std::make_shared<std::string>();
    for (const auto& [id, online] : online_) {
      *online_entries_ += Entry(id, online.nick, StatusWord(PresenceOf(online)));
      online_entries_->push_back('|');
    }
  }
  Line line{0, "#U", 0, online_entries_, online_entries_->size(), "~"};
  for (const UserName& contact : store_.Contacts(user)) {
    line.tail += Entry(contact.id, contact.nick, StatusOf(contact.id));
    line.tail.push_back('|');
  }
  return line;
}

std::optional<Chat::Presence> Chat::PresenceOf(const OnlineUser& user) {
  std::optional<Presence> presence;
  for (const auto& [node, place] : user.places) {
    if (place == Presence::kChat) return place;
    presence = place;
  }
  return presence;
}

std::optional<Chat::Presence> Chat::PresenceHere(const LocalUser& user) {
  if (user.client_in_chat || user.web_chats > 0) return Presence::kChat;
  if (user.session) return Presence::kOnline;
  return std::nullopt;
}

std::string_view Chat::StatusWord(std::optional<Presence> presence) {
  if (!presence) return kOffline;
  return *presence == Presence::kChat ? kChatStatus : kOnline;
}

std::string_view Chat::StatusOf(UserId user) const {
  const auto online = online_.find(user);
  return StatusWord(online == online_.end() ? std::nullopt : PresenceOf(online->second));
}

void Chat::Announce(UserId user, std::string_view nick, std::optional<Presence> presence, bool newly_online,
                    Clock::time_point now) {
  const std::string entry = Entry(user, nick, StatusWord(presence));
  // Answers that share the list hold its length: appending leaves what they send as it was.
  if (newly_online && online_entries_) {
    *online_entries_ += entry;
    online_entries_->push_back('|');
  } else {
    online_entries_.reset();
  }
  presence_log_.Append(next_sequence_++, now, "#YU" + entry);
  for (const UserId owner : store_.ContactOwners(user)) {
    const auto here = local_.find(owner);
    if (here != local_.end() && here->second.session) Push(*here->second.session, "#YK" + entry);
  }
}

void Chat::TakeOffline(UserId user) {
  const auto here = local_.find(user);
  if (here == local_.end()) return;
  here->second.session = nullptr;
  here->second.client_in_chat = false;
  Tell(user);
}

void Chat::RemoveSession(Sessions::iterator session) {
  idle_order_.erase(session->second.idle_place);
  sessions_.erase(session);
}

void Chat::EndSession(Sessions::iterator session) {
  if (!session->second.replaced) TakeOffline(session->second.user);
  RemoveSession(session);
}

void Chat::ExpireIdle(Clock::time_point now) {
  while (!idle_order_.empty() && now - idle_order_.front()->last_seen > limits_.idle_timeout) {
    EndSession(sessions_.find(*idle_order_.front()->key));
  }
  for (auto web = web_chats_.begin(); web != web_chats_.end();) {
    const auto next = std::next(web);
    if (now - web->second.last_seen > limits_.idle_timeout) EndWebChat(web);
    web = next;
  }
  const auto heartbeat = limits_.idle_timeout / 4;
  if (now - last_heartbeat_ >= heartbeat) {
    Publish(kHeartbeat, {});
    last_heartbeat_ = now;
  }
  // A node is heard of at least once a heartbeat; its users go offline no sooner than the idle
  // timeout after it died, as they would had it lived and they fallen silent.
  for (auto& [node, heard] : heard_) {
    if (now - heard <= limits_.idle_timeout + heartbeat) continue;
    Publish(kNodeGone, {NodeName(node)});
    heard = now;  // said once; every node forgets it when the word comes back
  }
  Settle(now);
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
  online_.insert_or_assign(id, OnlineUser{user->profile.nick, {{kEveryNode, Presence::kChat}}});
  online_entries_.reset();
}

void Chat::Publish(char kind, std::vector<std::string> fields) {
  bus_.Publish(Encode(BusEvent{node_, next_serial_++, kind, std::move(fields)}));
}

void Chat::Tell(UserId user, bool login) {
  const auto here = local_.find(user);
  if (here == local_.end()) return;
  LocalUser& local = here->second;
  const std::optional<Presence> presence = PresenceHere(local);
  if (login) {
    local.login_serial = next_serial_;
    local.login_heard = false;
  }
  if (presence != local.told || login) {
    local.told = presence;
    PublishPresence(user, local, login);
  }
  if (!presence) local_.erase(here);
}

void Chat::PublishPresence(UserId user, const LocalUser& local, bool login) {
  Publish(kPresence, {std::to_string(user), std::string(StatusWord(local.told)), login ? "1" : "0", local.nick});
}

void Chat::TellEverything() {
  for (const auto& [user, local] : local_) {
    if (local.told) PublishPresence(user, local, false);
  }
}

void Chat::Settle(Clock::time_point now) {
  // An event is heard once: when the store fails the part of it that needs the store, the rest
  // of it and the events after it still take effect.
  const auto hear = [&](std::string_view event) {
    try {
      Hear(event, now);
    } catch (const StoreError& error) {
      if (log_) log_(std::string("error: ") + error.what());
    }
  };
  bus_.Exchange(hear);
  if (bus_.TakeRejoined()) {
    Publish(kJoined, {});
    TellEverything();
    bus_.Exchange(hear);
  }
}

void Chat::Hear(std::string_view text, Clock::time_point now) {
  const std::optional<BusEvent> event = Decode(text);
  if (!event) {
    if (log_) log_("ignored: an event no node writes");
    return;
  }
  const bool own = event->node == node_;
  if (!own) heard_[event->node] = now;
  switch (event->kind) {
    case kJoined:
      if (!own) TellEverything();
      break;
    case kNodeGone:
      if (const auto gone = event->fields.empty() ? std::nullopt : ParseNodeId(event->fields[0])) {
        ForgetNode(*gone, now);
      }
      break;
    case kPresence:
      HearPresence(*event, now);
      break;
    case kChatLine:
      if (!event->fields.empty()) chat_log_.Append(next_sequence_++, now, event->fields[0]);
      break;
    case kStoredMessage:
      if (const auto user = event->fields.empty() ? std::nullopt : ParseUserId(event->fields[0]); user && !own) {
        const auto here = local_.find(*user);
        if (here != local_.end() && here->second.session && here->second.session->greeted) {
          PushStoredMessages(*here->second.session);
        }
      }
      break;
    default:
      break;
  }
}

void Chat::HearPresence(const BusEvent& event, Clock::time_point now) {
  const std::vector<std::string>& fields = event.fields;
  if (fields.size() != 4) return;
  const std::optional<UserId> user = ParseUserId(fields[0]);
  std::optional<Presence> presence;
  if (fields[1] == kOnline) {
    presence = Presence::kOnline;
  } else if (fields[1] == kChatStatus) {
    presence = Presence::kChat;
  } else if (fields[1] != kOffline) {
    return;
  }
  if (!user) return;
  SetPlace(*user, fields[3], event.node, presence, now);
  if (fields[2] != "1") return;
  const auto here = local_.find(*user);
  if (here == local_.end()) return;
  if (event.node == node_) {
    if (event.serial == here->second.login_serial) here->second.login_heard = true;
  } else if (here->second.login_heard) {
    EndClientTakenElsewhere(*user);
  }
}

void Chat::SetPlace(UserId user, std::string_view nick, NodeId node, std::optional<Presence> presence,
                    Clock::time_point now) {
  auto online = online_.find(user);
  if (online == online_.end()) {
    if (!presence) return;
    online = online_.emplace(user, OnlineUser{std::string(nick), {}}).first;
  }
  OnlineUser& entry = online->second;
  const std::optional<Presence> before = PresenceOf(entry);
  auto place = std::find_if(entry.places.begin(), entry.places.end(), [&](const auto& p) { return p.first == node; });
  if (place != entry.places.end()) entry.places.erase(place);
  if (presence) entry.places.emplace_back(node, *presence);
  const std::optional<Presence> after = PresenceOf(entry);
  const std::string said_nick = entry.nick;
  if (!after) online_.erase(online);
  if (before != after) Announce(user, said_nick, after, !before, now);
}

void Chat::ForgetNode(NodeId node, Clock::time_point now) {
  if (node == node_) {
    // The others took this node for gone: it tells them again whom it holds.
    TellEverything();
    return;
  }
  heard_.erase(node);
  std::vector<std::pair<UserId, std::string>> held;
  for (const auto& [id, user] : online_) {
    for (const auto& place : user.places) {
      if (place.first == node) held.emplace_back(id, user.nick);
    }
  }
  for (const auto& [id, nick] : held) SetPlace(id, nick, node, std::nullopt, now);
}

// Another login took the user over: this node's client of his ends at its next request, as it
// would when both were here.
void Chat::EndClientTakenElsewhere(UserId user) {
  const auto here = local_.find(user);
  if (here == local_.end() || here->second.session == nullptr) return;
  Session& session = *here->second.session;
  session.replaced = true;
  session.outbox.clear();
  here->second.session = nullptr;
  here->second.client_in_chat = false;
  Tell(user);
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
  LocalUser& local = local_[id];
  local.nick = user->profile.nick;
  ++local.web_chats;
  Tell(id);

  std::string token = NewToken();
  WebChat& web = web_chats_[token];
  web.user = id;
  web.nick = user->profile.nick;
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
  return NewsFor(*web, now);
}

std::variant<WebChatNews, WebRefusal> Chat::SayInWebChat(std::string_view address, std::string_view token,
                                                         std::string_view text, Clock::time_point now) {
  std::optional<WebRefusal> refusal;
  WebChat* web = FindWebChat(address, token, now, refusal);
  if (!web) return *refusal;
  if (text.size() > limits_.longest_chat_line) return WebRefusal::kTooLong;
  const std::string line = OneLine(text);
  if (line.empty()) return NewsFor(*web, now);
  const std::string user = std::to_string(web->user);
  if (!web_lines_.Take(user, now)) {
    Refused(web_lines_, user, "web chat lines too often from user ", now);
    return WebRefusal::kTooOften;
  }
  Publish(kChatLine, {"#C" + web->nick + "|" + line});
  AnswerInChat(web->nick, line, [&] { return web_lines_.Take(user, now); });
  return NewsFor(*web, now);
}

WebChatNews Chat::NewsFor(WebChat& web, Clock::time_point now) {
  Settle(now);
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
      if (PresenceOf(user) == Presence::kChat) nicks.push_back(user.nick);
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
  if (found != web_chats_.end()) EndWebChat(found);
  Settle(now);
}

void Chat::EndWebChat(std::unordered_map<std::string, WebChat>::iterator web) {
  const UserId id = web->second.user;
  web_chats_.erase(web);
  const auto here = local_.find(id);
  if (here == local_.end()) return;
  --here->second.web_chats;
  Tell(id);
}

void Chat::Refused(Rations& rations, std::string_view key, std::string_view what, Clock::time_point now) {
  if (log_ && rations.ReportRefusal(key, now)) log_("refused: " + std::string(what) + std::string(key));
}

}  // namespace ozl::server
