// The chat itself: who is logged in under which session, what waits for each of them, and the
// meaning of every command. No sockets here: the event loop hands in one command per request
// and sends back the answer; tests do the same.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "broadcast_log.h"
#include "bus.h"
#include "passwords.h"
#include "ration.h"
#include "store.h"
#include "wire_text.h"

namespace ozl::server {

struct ChatLimits {
  // The client polls every 10 s; a session silent for four polls is gone.
  std::chrono::seconds idle_timeout{40};
  int max_contacts = 1000;
  int max_pending_messages = 1000;
  int search_results = 20;
  // Lines for everybody (chat lines, entering and leaving the chat) cost every user online a
  // line, so each session may send a burst of a few and then one a second.
  Rate broadcasts{5, std::chrono::seconds(1)};
  // A chat line is what a person writes in one go; every client in the room shows it, and an
  // endless one only burdens them all.
  std::size_t longest_chat_line = 1000;
  // Requests under a session value the server does not know, per client address. A correct
  // client makes one when its session has ended and then logs in again; whoever guesses the
  // session values of others behind the same address makes thousands.
  Rate unknown_sessions{100, std::chrono::seconds(10)};
  // Failed logins. Per user against guessing one password from many addresses; per address
  // against trying a few passwords on many users. A few typing errors stay far below both.
  Rate failed_logins_per_user{10, std::chrono::minutes(1)};
  Rate failed_logins_per_address{50, std::chrono::seconds(6)};
  // Keys each ration remembers at most (see Rations).
  std::size_t rationed_keys = 65536;
};

// The body of one response. Stored private messages in it leave the database only once the
// body has reached the client, so a message is never lost between store and socket.
struct Answer {
  std::string body;  // command lines, each ended by CR LF
  std::vector<std::int64_t> stored_messages;
  // The client's address has spent its ration of unknown sessions: the answer is HTTP 429.
  bool too_many_requests = false;
  // The online list, the same for every login, goes out shared by their answers rather than
  // copied into each: the first `shared_size` bytes of `shared` belong at `shared_at` of the body.
  std::shared_ptr<const std::string> shared;
  std::size_t shared_size = 0;
  std::size_t shared_at = 0;

  std::string Whole() const;
};

// A login or registration that waits for its password to be checked or hashed.
struct PasswordWork {
  PasswordTask task;
  std::string client;
  UserId login = 0;  // the user logging in; 0 for a registration
  Profile registration;
  // A web chat login: the users with the chat nick given, in the order of task.stored_hashes.
  std::vector<UserId> web_candidates;
};

// Why the web chat turned a browser away.
enum class WebRefusal { kWrongLogin, kTooManyLogins, kTooOften, kTooLong, kSessionEnded, kTooManyRequests };

// A browser in the room: the token its requests carry and the nick it writes under.
struct WebChatEntry {
  std::string token;
  std::string nick;
};

struct WebChatLine {
  std::string nick;
  std::string text;
};

// What a web chat session has not seen yet.
struct WebChatNews {
  std::string own_nick;
  std::vector<WebChatLine> lines;
  // The nicks in the room, when they may have changed since the last news.
  std::optional<std::vector<std::string>> participants;
};

// Where the server writes what an operator should know: a flood refused, an error. Never the
// contents of a message or a password.
using EventLog = std::function<void(const std::string&)>;

using Outcome = std::variant<Answer, PasswordWork>;

class Chat {
 public:
  // The session value of the connection probe: it gets an empty answer and changes nothing.
  static constexpr std::string_view kProbeSession = "777";

  // Without a bus the chat is the whole community. With one, it is a node among others on the same
  // store, and it tells them of itself at once.
  explicit Chat(Store& store, ChatLimits limits = {}, Bus* bus = nullptr);

  // A session is known by the client's address and its Session value together: the client
  // draws session values from a small range, so two users behind different addresses may
  // well hold the same one.
  static std::string ClientKey(std::string_view address, std::string_view session);

  // Until an address that asked for too many unknown sessions has waited, its requests are not
  // looked up at all: a guess that would have found a live session learns nothing either.
  // A command whose mark the user's clients have had carried out already is a repeat (its
  // answer was lost): it is answered without acting again. Commands that set a state, or only
  // read, mean the same however often they come and are simply carried out again.
  Outcome Handle(std::string_view client, std::string_view command, Clock::time_point now,
                 const std::optional<CommandMark>& mark = std::nullopt);
  Answer Finish(PasswordWork work, Clock::time_point now);
  // The answer to a login or registration refused because too much password work waits.
  Answer Busy(const PasswordWork& work, Clock::time_point now);

  // The stored messages of an answer that reached its client.
  void Delivered(std::span<const std::int64_t> message_ids);
  // Sessions silent for longer than the idle timeout go offline, and so do the users of a node
  // that has not been heard of for as long. Also tells the other nodes that this one lives.
  void ExpireIdle(Clock::time_point now);

  // The web chat: a browser enters the general chat with a user's chat nick and password, and is
  // then known by a random token. A user is in the room while his client or any browser of his
  // is; lines are rationed per user, however many browsers he has.
  std::variant<PasswordWork, WebRefusal> StartWebChat(std::string_view address, std::string_view chat_nick,
                                                      std::string_view password, Clock::time_point now);
  std::variant<WebChatEntry, WebRefusal> FinishWebChat(const PasswordWork& work, Clock::time_point now);
  std::variant<WebChatNews, WebRefusal> PollWebChat(std::string_view address, std::string_view token,
                                                    Clock::time_point now);
  // The news after the line, or why it was not said.
  std::variant<WebChatNews, WebRefusal> SayInWebChat(std::string_view address, std::string_view token,
                                                     std::string_view text, Clock::time_point now);
  void LeaveWebChat(std::string_view token, Clock::time_point now);

  void SetEventLog(EventLog log) { log_ = std::move(log); }

  // A user who is always in the general chat, answers every private message and the chat lines
  // addressed to him. Nobody can log in as the companion.
  void SetCompanion(UserId id);

  std::size_t session_count() const { return sessions_.size(); }
  std::size_t online_count() const { return online_.size(); }
  NodeId node() const { return node_; }
  std::size_t web_chat_count() const { return web_chats_.size(); }

 private:
  enum class Presence { kOnline, kChat };

  struct Line {
    std::uint64_t sequence;
    std::string text;
    std::int64_t stored_message = 0;  // 0 when the line is not a stored private message
    // The shared online list and what follows it on the line.
    std::shared_ptr<const std::string> shared;
    std::size_t shared_size = 0;
    std::string tail;
  };

  struct Session {
    UserId user = 0;
    // Another login took the user over; the next request ends this client.
    bool replaced = false;
    // The login's own lines are out: stored messages may follow them.
    bool greeted = false;
    Clock::time_point last_seen;
    std::vector<Line> outbox;
    std::uint64_t presence_cursor = 0;
    std::uint64_t chat_cursor = 0;
    Allowance broadcasts;
    const std::string* key = nullptr;
    std::list<Session*>::iterator idle_place;
    // Stored messages handed to this client that may still wait in the store.
    std::vector<std::int64_t> pushed_messages;
  };

  // A user as every node sees him: where he is online, and how.
  struct OnlineUser {
    std::string nick;
    std::vector<std::pair<NodeId, Presence>> places;
  };

  // What keeps a user online on this node.
  struct LocalUser {
    std::string nick;
    Session* session = nullptr;  // none for a user only on the web
    bool client_in_chat = false;
    int web_chats = 0;
    std::optional<Presence> told;  // what this node last told the others of him
    // The latest login here, and whether the nodes have heard of it: of two logins on different
    // nodes, the one they hear of last wins everywhere.
    std::uint64_t login_serial = 0;
    bool login_heard = false;
  };

  struct WebChat {
    UserId user = 0;
    std::string nick;
    Clock::time_point last_seen;
    std::uint64_t chat_cursor = 0;
    std::uint64_t presence_cursor = 0;
    bool participants_sent = false;
  };

  using Sessions = std::unordered_map<std::string, Session>;

  Outcome StartLogin(std::string_view client, std::string_view fields, Clock::time_point now);
  Outcome StartRegistration(std::string_view client, std::string_view fields);
  Answer FinishLogin(const std::string& client, UserId user, Clock::time_point now);
  Answer FinishRegistration(const PasswordWork& work);

  void EnterChat(Session& session, Clock::time_point now);
  void LeaveChat(Session& session, Clock::time_point now);
  void SayInChat(Session& session, std::string_view text, const std::optional<CommandMark>& mark,
                 Clock::time_point now);
  // `pay` spends the writer's ration for the companion's answer.
  void AnswerInChat(std::string_view writer_nick, std::string_view text, const std::function<bool()>& pay);
  WebChat* FindWebChat(std::string_view address, std::string_view token, Clock::time_point now,
                       std::optional<WebRefusal>& refusal);
  WebChatNews NewsFor(WebChat& web, Clock::time_point now);
  void EndWebChat(std::unordered_map<std::string, WebChat>::iterator web);
  // Logs the start of a flood: `what` is followed by the key.
  void Refused(Rations& rations, std::string_view key, std::string_view what, Clock::time_point now);
  void Search(Session& session, std::string_view fields);
  void AddContact(Session& session, std::string_view id_text);
  void RemoveContact(Session& session, std::string_view id_text);
  void ShowInfo(Session& session, std::string_view id_text);
  void SendPrivate(Session& session, std::string_view fields, const std::optional<CommandMark>& mark);
  // Hands the client the messages stored for him that it has not been given yet.
  void PushStoredMessages(Session& session);
  bool IsRepeat(const Session& session, const std::optional<CommandMark>& mark);

  bool MayBroadcast(Session& session, Clock::time_point now);
  void Push(Session& session, std::string text, std::int64_t stored_message = 0);
  void Push(Session& session, Line line);
  Answer Drain(Session& session, Clock::time_point now);
  void Touch(Session& session, Clock::time_point now);
  // The online users, then the contacts.
  Line FullLists(UserId user);
  std::string_view StatusOf(UserId user) const;
  // The word lists and presence lines carry: online, chat or offline.
  static std::string_view StatusWord(std::optional<Presence> presence);
  static std::optional<Presence> PresenceOf(const OnlineUser& user);
  static std::optional<Presence> PresenceHere(const LocalUser& user);
  void Announce(UserId user, std::string_view nick, std::optional<Presence> presence, bool newly_online,
                Clock::time_point now);
  void TakeOffline(UserId user);
  void RemoveSession(Sessions::iterator session);
  void EndSession(Sessions::iterator session);

  // What this node says to all of them, itself included; it takes effect when heard back.
  void Publish(char kind, std::vector<std::string> fields);
  // Tells the others how this node now holds the user, when that changed; a login also ends his
  // clients on other nodes.
  void Tell(UserId user, bool login = false);
  void PublishPresence(UserId user, const LocalUser& local, bool login);
  void TellEverything();
  // Hears what the nodes said since the last time.
  void Settle(Clock::time_point now);
  void Hear(std::string_view text, Clock::time_point now);
  void HearPresence(const BusEvent& event, Clock::time_point now);
  void SetPlace(UserId user, std::string_view nick, NodeId node, std::optional<Presence> presence,
                Clock::time_point now);
  void ForgetNode(NodeId node, Clock::time_point now);
  void EndClientTakenElsewhere(UserId user);

  Store& store_;
  ChatLimits limits_;
  std::unique_ptr<Bus> own_bus_;
  Bus& bus_;
  NodeId node_;
  std::uint64_t next_serial_ = 1;
  std::unordered_map<NodeId, Clock::time_point> heard_;  // the other nodes, when last heard
  Clock::time_point last_heartbeat_{};
  std::uint64_t next_sequence_ = 1;
  Sessions sessions_;
  std::list<Session*> idle_order_;  // least recently heard from first
  std::unordered_map<UserId, OnlineUser> online_;
  std::unordered_map<UserId, LocalUser> local_;
  // The online half of the lists a login hands out, kept between logins; entries of users who
  // came online are added, any other change makes it again.
  std::shared_ptr<std::string> online_entries_;
  BroadcastLog presence_log_;
  BroadcastLog chat_log_;
  std::optional<UserId> companion_;
  Rations unknown_sessions_;
  Rations failed_logins_by_user_;
  Rations failed_logins_by_address_;
  std::unordered_map<std::string, WebChat> web_chats_;
  Rations web_lines_;  // per user
  EventLog log_;
};

}  // namespace ozl::server
