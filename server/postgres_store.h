// The store in PostgreSQL, which several server processes may share. Texts are the client's
// Windows-1251 bytes in bytea columns, sent and read in binary, so they compare byte for byte as
// in the SQLite file. A connection lost under a call (the database restarted) is opened again
// once and the call repeated before it fails.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "postgres.h"
#include "store.h"

namespace ozl::server {

class PostgresStore final : public Store {
 public:
  // A libpq connection URI. Connects, creates the tables that are missing and prepares the
  // statements.
  explicit PostgresStore(std::string uri);

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
  class Transaction;
  // The prepared statements.
  enum class Sql;

  std::string uri_;
  PostgresConnection connection_;

  void Connect();
  // Runs `work`, and once more on a new connection when the connection was lost under it.
  template <typename Work>
  auto Reconnecting(const Work& work);
  // Binary parameters (the types the statement was prepared with) and binary results.
  PostgresResult Run(Sql statement, std::initializer_list<std::string_view> parameters);
  PostgresResult Checked(PGresult* result, std::string_view what) const;
  // A statement without parameters, in text.
  void Execute(const char* sql);
  void KeepMarkInTransaction(UserId user, const CommandMark& mark);
};

}  // namespace ozl::server
