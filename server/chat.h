// The chat itself: who is logged in under which session, what waits for each of them, and the
// meaning of every command. No sockets here: the event loop hands in one command per request
// and sends back the answer; tests do the same.
#pragma once

#include <chrono>
#include <cstdint>
#include <list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "broadcast_log.h"
#include "passwords.h"
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
  int broadcast_burst = 5;
  std::chrono::milliseconds broadcast_interval{1000};
};

// The body of one response. Stored private messages in it leave the database only once the
// body has reached the client, so a message is never lost between store and socket.
struct Answer {
  std::string body;  // command lines, each ended by CR LF
  std::vector<std::int64_t> stored_messages;
};

// A login or registration that waits for its password to be checked or hashed.
struct PasswordWork {
  PasswordTask task;
  std::string client;
  UserId login = 0;  // the user logging in; 0 for a registration
  Profile registration;
};

using Outcome = std::variant<Answer, PasswordWork>;

class Chat {
 public:
  // The session value of the connection probe: it gets an empty answer and changes nothing.
  static constexpr std::string_view kProbeSession = "777";

  explicit Chat(Store& store, ChatLimits limits = {});

  // A session is known by the client's address and its Session value together: the client
  // draws session values from a small range, so two users behind different addresses may
  // well hold the same one.
  static std::string ClientKey(std::string_view address, std::string_view session);

  Outcome Handle(std::string_view client, std::string_view command, Clock::time_point now);
  Answer Finish(PasswordWork work, Clock::time_point now);
  // The answer to a login or registration refused because too much password work waits.
  static Answer Busy();

  // The stored messages of an answer that reached its client.
  void Delivered(std::span<const std::int64_t> message_ids);
  // Sessions silent for longer than the idle timeout go offline.
  void ExpireIdle(Clock::time_point now);

  // A user who is always online and answers every private message.
  void SetCompanion(UserId id);

  std::size_t session_count() const { return sessions_.size(); }
  std::size_t online_count() const { return online_.size(); }

 private:
  enum class Presence { kOnline, kChat };

  struct Line {
    std::uint64_t sequence;
    std::string text;
    std::int64_t stored_message;  // 0 when the line is not a stored private message
  };

  struct Session {
    UserId user = 0;
    // Another login took the user over; the next request ends this client.
    bool replaced = false;
    Clock::time_point last_seen;
    std::vector<Line> outbox;
    std::uint64_t presence_cursor = 0;
    std::uint64_t chat_cursor = 0;
    Clock::time_point broadcast_allowed;  // when the session's allowance is spent up to
    const std::string* key = nullptr;
    std::list<Session*>::iterator idle_place;
  };

  struct OnlineUser {
    std::string nick;
    Presence presence = Presence::kOnline;
    Session* session = nullptr;  // none for the companion
  };

  using Sessions = std::unordered_map<std::string, Session>;

  Outcome StartLogin(std::string_view client, std::string_view fields);
  Outcome StartRegistration(std::string_view client, std::string_view fields);
  Answer FinishLogin(const std::string& client, UserId user, Clock::time_point now);
  Answer FinishRegistration(const PasswordWork& work);

  void EnterChat(Session& session, Clock::time_point now);
  void LeaveChat(Session& session, Clock::time_point now);
  void SayInChat(Session& session, std::string_view text, Clock::time_point now);
  void Search(Session& session, std::string_view fields);
  void AddContact(Session& session, std::string_view id_text);
  void RemoveContact(Session& session, std::string_view id_text);
  void ShowInfo(Session& session, std::string_view id_text);
  void SendPrivate(Session& session, std::string_view fields);

  bool MayBroadcast(Session& session, Clock::time_point now);
  void Push(Session& session, std::string text, std::int64_t stored_message = 0);
  Answer Drain(Session& session);
  void Touch(Session& session, Clock::time_point now);
  std::string FullLists(UserId user);
  std::string_view StatusOf(UserId user) const;
  void Announce(UserId user, std::string_view nick, std::string_view status, Clock::time_point now);
  void TakeOffline(UserId user, Clock::time_point now);
  void RemoveSession(Sessions::iterator session);
  void EndSession(Sessions::iterator session, Clock::time_point now);

  Store& store_;
  ChatLimits limits_;
  std::uint64_t next_sequence_ = 1;
  Sessions sessions_;
  std::list<Session*> idle_order_;  // least recently heard from first
  std::unordered_map<UserId, OnlineUser> online_;
  BroadcastLog presence_log_;
  BroadcastLog chat_log_;
  std::optional<UserId> companion_;
};

}  // namespace ozl::server
