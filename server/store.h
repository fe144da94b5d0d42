// Everything that must survive a restart: users with their hashed passwords and friendship
// flag, contact lists, private messages not yet delivered and the marks of the commands each
// user's clients have had carried out. Kept in an SQLite file (SqliteStore) or in PostgreSQL
// (PostgresStore), which several servers may share; either way a call returns once its changes
// are committed, so a killed process loses nothing it confirmed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "wire_text.h"

namespace ozl::server {

// Every failure of the database, with its own message.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a user registers with, in the client's own Windows-1251 bytes.
struct Profile {
  std::string nick;
  std::string first_name;
  std::string surname;
  std::string patronymic;
  std::string email;
  std::string city;
  std::string sex;
  std::string about;
  std::string chat_nick;
};

struct UserRecord {
  UserId id = 0;
  Profile profile;
  std::string password_hash;
  bool closed_for_friendship = false;
};

// A user as lists show him: identifier and nick.
struct UserName {
  UserId id = 0;
  std::string nick;
  friend bool operator==(const UserName&, const UserName&) = default;
};

struct StoredMessage {
  std::int64_t id = 0;
  UserId sender = 0;
  std::string sender_nick;
  std::string text;
};

// Empty texts match everything; texts match case-insensitively at the start of the field.
struct SearchCriteria {
  std::string nick;
  std::string first_name;
  std::string surname;
  std::string patronymic;
  std::string city;
  std::string email;
  std::string chat_nick;
  std::optional<UserId> id;
};

class Store {
 public:
  static constexpr UserId kFirstId = 10001;

  virtual ~Store() = default;

  // The next free identifier, or nothing when the 32-bit range is used up.
  virtual std::optional<UserId> AddUser(const Profile& profile, std::string_view password_hash) = 0;
  virtual std::optional<UserRecord> FindUser(UserId id) = 0;
  // The users whose chat nick is exactly this one, in identifier order, at most `limit`.
  virtual std::vector<UserRecord> UsersWithChatNick(std::string_view chat_nick, int limit) = 0;
  virtual void SetClosedForFriendship(UserId id, bool closed) = 0;

  // False when the contact was already in the list.
  virtual bool AddContact(UserId owner, UserId contact) = 0;
  virtual void RemoveContact(UserId owner, UserId contact) = 0;
  virtual std::vector<UserName> Contacts(UserId owner) = 0;
  virtual int ContactCount(UserId owner) = 0;
  // Everyone who has this user in his contact list.
  virtual std::vector<UserId> ContactOwners(UserId contact) = 0;

  // With a mark, the mark is kept in the same transaction as the message: a repeat of the
  // command is known for what it is, also after a crash.
  virtual std::int64_t AddMessage(UserId recipient, UserId sender, std::string_view sender_nick,
                                  std::string_view text, const std::optional<CommandMark>& mark = std::nullopt) = 0;
  // Oldest first.
  virtual std::vector<StoredMessage> PendingMessages(UserId recipient) = 0;
  virtual int PendingCount(UserId recipient) = 0;
  virtual void DeleteMessages(std::span<const std::int64_t> ids) = 0;

  // In identifier order, at most `limit` users.
  virtual std::vector<UserName> Search(const SearchCriteria& criteria, int limit) = 0;

  // Whether the user's clients have had this command carried out already. The marks of the last
  // few client instances of each user are kept; a client sends again only its first command that
  // waits, so they cover every repeat.
  virtual bool CarriedOut(UserId user, const CommandMark& mark) = 0;
  // For commands whose effect is not stored.
  virtual void KeepMark(UserId user, const CommandMark& mark) = 0;

  virtual std::optional<std::string> Setting(std::string_view name) = 0;
  virtual void SetSetting(std::string_view name, std::string_view value) = 0;
};

// Client instances whose command marks are kept per user. One client sends one command at a
// time, so one would do; the others cover a user who runs several clients one after another or
// at once.
inline constexpr int kMarkedInstancesPerUser = 4;

// "postgresql://..." or "postgres://..." (a libpq connection URI) opens PostgreSQL; anything
// else is the path of an SQLite file, created when missing.
bool IsPostgresUri(std::string_view database);
std::unique_ptr<Store> OpenStore(const std::string& database);
// The database as a log may show it: the password of a URI becomes "***".
std::string DatabaseForLog(std::string_view database);

// The query of a search: conditions on the key columns for the criteria given only, so the
// index of a prefix range is used. Parameters are numbered with `parameter_sign` ('?' for
// SQLite, '$' for PostgreSQL) and take `values` in order.
struct SearchQuery {
  std::string sql;
  std::vector<std::string> values;
};
SearchQuery BuildSearch(const SearchCriteria& criteria, int limit, char parameter_sign);

}  // namespace ozl::server
