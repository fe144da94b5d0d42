// Everything that must survive a restart: users with their hashed passwords and friendship
// flag, contact lists, private messages not yet delivered and the marks of the commands each
// user's clients have had carried out. SQLite in WAL mode; a commit is on disk before the call
// returns, so a killed process loses nothing it confirmed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite.h"
#include "wire_text.h"

namespace ozl::server {

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

  explicit Store(const std::string& path);

  // The next free identifier, or nothing when the 32-bit range is used up.
  std::optional<UserId> AddUser(const Profile& profile, std::string_view password_hash);
  std::optional<UserRecord> FindUser(UserId id);
  // The users whose chat nick is exactly this one, in identifier order, at most `limit`.
  std::vector<UserRecord> UsersWithChatNick(std::string_view chat_nick, int limit);
  void SetClosedForFriendship(UserId id, bool closed);

  // False when the contact was already in the list.
  bool AddContact(UserId owner, UserId contact);
  void RemoveContact(UserId owner, UserId contact);
  std::vector<UserName> Contacts(UserId owner);
  int ContactCount(UserId owner);
  // Everyone who has this user in his contact list.
  std::vector<UserId> ContactOwners(UserId contact);

  // With a mark, the mark is kept in the same transaction as the message: a repeat of the
  // command is known for what it is, also after a crash.
  std::int64_t AddMessage(UserId recipient, UserId sender, std::string_view sender_nick, std::string_view text,
                          const std::optional<CommandMark>& mark = std::nullopt);
  // Oldest first.
  std::vector<StoredMessage> PendingMessages(UserId recipient);
  int PendingCount(UserId recipient);
  void DeleteMessages(std::span<const std::int64_t> ids);

  // In identifier order, at most `limit` users.
  std::vector<UserName> Search(const SearchCriteria& criteria, int limit);

  // Whether the user's clients have had this command carried out already. The marks of the last
  // few client instances of each user are kept; a client sends again only its first command that
  // waits, so they cover every repeat.
  bool CarriedOut(UserId user, const CommandMark& mark);
  // For commands whose effect is not stored.
  void KeepMark(UserId user, const CommandMark& mark);

  std::optional<std::string> Setting(std::string_view name);
  void SetSetting(std::string_view name, std::string_view value);

 private:
  Database db_;
  Statement add_user_;
  Statement find_user_;
  Statement users_with_chat_nick_;
  Statement set_closed_;
  Statement add_contact_;
  Statement remove_contact_;
  Statement contacts_;
  Statement contact_count_;
  Statement contact_owners_;
  Statement add_message_;
  Statement pending_messages_;
  Statement pending_count_;
  Statement delete_message_;
  Statement last_number_;
  Statement keep_mark_;
  Statement forget_old_marks_;
  Statement setting_;
  Statement set_setting_;

  void KeepMarkInTransaction(UserId user, const CommandMark& mark);
};

}  // namespace ozl::server
