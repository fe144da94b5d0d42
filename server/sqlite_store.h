// The store in an SQLite file, in WAL mode: a commit is on disk before the call returns.
#pragma once

#include <string>

#include "sqlite.h"
#include "store.h"

namespace ozl::server {

class SqliteStore final : public Store {
 public:
  explicit SqliteStore(const std::string& path);

  std::optional<UserId> AddUser(const Profile& profile, std::string_view password_hash) override;
  std::optional<UserRecord> FindUser(UserId id) override;
  std::vector<UserRecord> UsersWithChatNick(std::string_view chat_nick, int limit) override;
  void SetClosedForFriendship(UserId id, bool closed) override;
  bool AddContact(UserId owner, UserId contact) override;
  void RemoveContact(UserId owner, UserId contact) override;
  std::vector<UserName> Contacts(UserId owner) override;
  int ContactCount(UserId owner) override;
  std::vector<UserId> ContactOwners(UserId contact) override;
  std::int64_t AddMessage(UserId recipient, UserId sender, std::string_view sender_nick, std::string_view text,
                          const std::optional<CommandMark>& mark) override;
  std::vector<StoredMessage> PendingMessages(UserId recipient) override;
  int PendingCount(UserId recipient) override;
  void DeleteMessages(std::span<const std::int64_t> ids) override;
  std::vector<UserName> Search(const SearchCriteria& criteria, int limit) override;
  bool CarriedOut(UserId user, const CommandMark& mark) override;
  void KeepMark(UserId user, const CommandMark& mark) override;
  std::optional<std::string> Setting(std::string_view name) override;
  void SetSetting(std::string_view name, std::string_view value) override;

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
