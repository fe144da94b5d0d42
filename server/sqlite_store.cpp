#include "sqlite_store.h"

#include <limits>
#include <utility>

namespace ozl::server {
namespace {

// synchronous=NORMAL in WAL mode: a commit survives the process being killed; only a power
// failure may lose the last commits.
constexpr const char* kSchema = R"sql(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
PRAGMA foreign_keys = ON;
CREATE TABLE IF NOT EXISTS users (
  id INTEGER PRIMARY KEY,
  nick BLOB NOT NULL, first_name BLOB NOT NULL, surname BLOB NOT NULL, patronymic BLOB NOT NULL,
  email BLOB NOT NULL, city BLOB NOT NULL, sex BLOB NOT NULL, about BLOB NOT NULL, chat_nick BLOB NOT NULL,
  password_hash BLOB NOT NULL,
  closed INTEGER NOT NULL DEFAULT 0,
  nick_key BLOB NOT NULL, first_name_key BLOB NOT NULL, surname_key BLOB NOT NULL,
  patronymic_key BLOB NOT NULL, city_key BLOB NOT NULL, email_key BLOB NOT NULL, chat_nick_key BLOB NOT NULL
);
CREATE INDEX IF NOT EXISTS users_by_nick ON users (nick_key);
CREATE INDEX IF NOT EXISTS users_by_city ON users (city_key);
CREATE INDEX IF NOT EXISTS users_by_chat_nick ON users (chat_nick);
CREATE TABLE IF NOT EXISTS contacts (
  owner INTEGER NOT NULL REFERENCES users (id),
  contact INTEGER NOT NULL REFERENCES users (id),
  PRIMARY KEY (owner, contact)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS contacts_by_contact ON contacts (contact, owner);
CREATE TABLE IF NOT EXISTS messages (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  recipient INTEGER NOT NULL REFERENCES users (id),
  sender INTEGER NOT NULL,
  sender_nick BLOB NOT NULL,
  text BLOB NOT NULL
);
CREATE INDEX IF NOT EXISTS messages_by_recipient ON messages (recipient, id);
CREATE TABLE IF NOT EXISTS settings (name BLOB PRIMARY KEY, value BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS command_marks (
  user INTEGER NOT NULL,
  instance INTEGER NOT NULL,
  number INTEGER NOT NULL,
  kept INTEGER NOT NULL,
  PRIMARY KEY (user, instance)
) WITHOUT ROWID;
)sql";

// SQLite keeps signed 64-bit integers; the bits of the client's unsigned values go in unchanged.
std::int64_t Stored(std::uint64_t value) { return static_cast<std::int64_t>(value); }

Database OpenWithSchema(const std::string& path) {
  Database db(path);
  db.Execute(kSchema);
  return db;
}

}  // namespace

SqliteStore::SqliteStore(const std::string& path)
    : db_(OpenWithSchema(path)),
      add_user_(db_,
                "INSERT INTO users (id, nick, first_name, surname, patronymic, email, city, sex, about, chat_nick,"
                " password_hash, nick_key, first_name_key, surname_key, patronymic_key, city_key, email_key,"
                " chat_nick_key)"
                " SELECT COALESCE(MAX(id), ?1 - 1) + 1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14,"
                " ?15, ?16, ?17, ?18 FROM users HAVING COALESCE(MAX(id), 0) < ?19"
                " RETURNING id"),
      find_user_(db_,
                 "SELECT nick, first_name, surname, patronymic, email, city, sex, about, chat_nick, password_hash,"
                 " closed FROM users WHERE id = ?1"),
      users_with_chat_nick_(db_, "SELECT id FROM users WHERE chat_nick = ?1 ORDER BY id LIMIT ?2"),
      set_closed_(db_, "UPDATE users SET closed = ?2 WHERE id = ?1"),
      add_contact_(db_, "INSERT OR IGNORE INTO contacts (owner, contact) VALUES (?1, ?2)"),
      remove_contact_(db_, "DELETE FROM contacts WHERE owner = ?1 AND contact = ?2"),
      contacts_(db_,
                "SELECT users.id, users.nick FROM contacts JOIN users ON users.id = contacts.contact"
                " WHERE contacts.owner = ?1 ORDER BY contacts.contact"),
      contact_count_(db_, "SELECT COUNT(*) FROM contacts WHERE owner = ?1"),
      contact_owners_(db_, "SELECT owner FROM contacts WHERE contact = ?1"),
      add_message_(db_, "INSERT INTO messages (recipient, sender, sender_nick, text) VALUES (?1, ?2, ?3, ?4)"),
      pending_messages_(db_, "SELECT id, sender, sender_nick, text FROM messages WHERE recipient = ?1 ORDER BY id"),
      pending_count_(db_, "SELECT COUNT(*) FROM messages WHERE recipient = ?1"),
      delete_message_(db_, "DELETE FROM messages WHERE id = ?1"),
      last_number_(db_, "SELECT number FROM command_marks WHERE user = ?1 AND instance = ?2"),
      keep_mark_(db_,
                 "INSERT INTO command_marks (user, instance, number, kept)"
                 " SELECT ?1, ?2, ?3, COALESCE(MAX(kept), 0) + 1 FROM command_marks WHERE user = ?1"
                 " ON CONFLICT (user, instance) DO UPDATE SET number = excluded.number, kept = excluded.kept"),
      forget_old_marks_(db_,
                        "DELETE FROM command_marks WHERE user = ?1 AND kept <= (SELECT kept FROM command_marks"
                        " WHERE user = ?1 ORDER BY kept DESC LIMIT 1 OFFSET ?2)"),
      setting_(db_, "SELECT value FROM settings WHERE name = ?1"),
      set_setting_(db_, "INSERT OR REPLACE INTO settings (name, value) VALUES (?1, ?2)") {}

std::optional<UserId> SqliteStore::AddUser(const Profile& profile, std::string_view password_hash) {
  Query query(add_user_);
  query.Bind(1, std::int64_t{kFirstId})
      .Bind(2, profile.nick)
      .Bind(3, profile.first_name)
      .Bind(4, profile.surname)
      .Bind(5, profile.patronymic)
      .Bind(6, profile.email)
      .Bind(7, profile.city)
      .Bind(8, profile.sex)
      .Bind(9, profile.about)
      .Bind(10, profile.chat_nick)
      .Bind(11, password_hash)
      .Bind(12, FoldCase(profile.nick))
      .Bind(13, FoldCase(profile.first_name))
      .Bind(14, FoldCase(profile.surname))
      .Bind(15, FoldCase(profile.patronymic))
      .Bind(16, FoldCase(profile.city))
      .Bind(17, FoldCase(profile.email))
      .Bind(18, FoldCase(profile.chat_nick))
      .Bind(19, std::int64_t{std::numeric_limits<UserId>::max()});
  if (!query.Next()) return std::nullopt;
  return static_cast<UserId>(query.Int(0));
}

std::optional<UserRecord> SqliteStore::FindUser(UserId id) {
  Query query(find_user_);
  query.Bind(1, std::int64_t{id});
  if (!query.Next()) return std::nullopt;
  UserRecord user;
  user.id = id;
  user.profile = Profile{query.Bytes(0), query.Bytes(1), query.Bytes(2), query.Bytes(3), query.Bytes(4),
                         query.Bytes(5), query.Bytes(6), query.Bytes(7), query.Bytes(8)};
  user.password_hash = query.Bytes(9);
  user.closed_for_friendship = query.Int(10) != 0;
  return user;
}

std::vector<UserRecord> SqliteStore::UsersWithChatNick(std::string_view chat_nick, int limit) {
  std::vector<UserId> ids;
  {
    Query query(users_with_chat_nick_);
    query.Bind(1, chat_nick).Bind(2, std::int64_t{limit});
    while (query.Next()) ids.push_back(static_cast<UserId>(query.Int(0)));
  }
  std::vector<UserRecord> users;
  for (const UserId id : ids) {
    if (std::optional<UserRecord> user = FindUser(id)) users.push_back(std::move(*user));
  }
  return users;
}

void SqliteStore::SetClosedForFriendship(UserId id, bool closed) {
  Query(set_closed_).Bind(1, std::int64_t{id}).Bind(2, std::int64_t{closed ? 1 : 0}).Run();
}

bool SqliteStore::AddContact(UserId owner, UserId contact) {
  Query(add_contact_).Bind(1, std::int64_t{owner}).Bind(2, std::int64_t{contact}).Run();
  return sqlite3_changes(db_.handle()) > 0;
}

void SqliteStore::RemoveContact(UserId owner, UserId contact) {
  Query(remove_contact_).Bind(1, std::int64_t{owner}).Bind(2, std::int64_t{contact}).Run();
}

std::vector<UserName> SqliteStore::Contacts(UserId owner) {
  Query query(contacts_);
  query.Bind(1, std::int64_t{owner});
  std::vector<UserName> contacts;
  while (query.Next()) contacts.push_back({static_cast<UserId>(query.Int(0)), query.Bytes(1)});
  return contacts;
}

int SqliteStore::ContactCount(UserId owner) {
  Query query(contact_count_);
  query.Bind(1, std::int64_t{owner});
  return query.Next() ? static_cast<int>(query.Int(0)) : 0;
}

std::vector<UserId> SqliteStore::ContactOwners(UserId contact) {
  Query query(contact_owners_);
  query.Bind(1, std::int64_t{contact});
  std::vector<UserId> owners;
  while (query.Next()) owners.push_back(static_cast<UserId>(query.Int(0)));
  return owners;
}

std::int64_t SqliteStore::AddMessage(UserId recipient, UserId sender, std::string_view sender_nick,
                               std::string_view text, const std::optional<CommandMark>& mark) {
  Transaction transaction(db_);
  Query(add_message_)
      .Bind(1, std::int64_t{recipient})
      .Bind(2, std::int64_t{sender})
      .Bind(3, sender_nick)
      .Bind(4, text)
      .Run();
  const std::int64_t id = sqlite3_last_insert_rowid(db_.handle());
  if (mark) KeepMarkInTransaction(sender, *mark);
  transaction.Commit();
  return id;
}

std::vector<StoredMessage> SqliteStore::PendingMessages(UserId recipient) {
  Query query(pending_messages_);
  query.Bind(1, std::int64_t{recipient});
  std::vector<StoredMessage> messages;
  while (query.Next()) {
    messages.push_back({query.Int(0), static_cast<UserId>(query.Int(1)), query.Bytes(2), query.Bytes(3)});
  }
  return messages;
}

int SqliteStore::PendingCount(UserId recipient) {
  Query query(pending_count_);
  query.Bind(1, std::int64_t{recipient});
  return query.Next() ? static_cast<int>(query.Int(0)) : 0;
}

void SqliteStore::DeleteMessages(std::span<const std::int64_t> ids) {
  if (ids.empty()) return;
  Transaction transaction(db_);
  for (const std::int64_t id : ids) Query(delete_message_).Bind(1, id).Run();
  transaction.Commit();
}

std::vector<UserName> SqliteStore::Search(const SearchCriteria& criteria, int limit) {
  const SearchQuery search = BuildSearch(criteria, limit, '?');
  Statement statement(db_, search.sql);
  Query query(statement);
  for (std::size_t i = 0; i < search.values.size(); ++i) query.Bind(static_cast<int>(i + 1), search.values[i]);
  std::vector<UserName> found;
  while (query.Next()) found.push_back({static_cast<UserId>(query.Int(0)), query.Bytes(1)});
  return found;
}

bool SqliteStore::CarriedOut(UserId user, const CommandMark& mark) {
  Query query(last_number_);
  query.Bind(1, std::int64_t{user}).Bind(2, Stored(mark.instance));
  // Numbers only grow within an instance: an older one is a late copy, done long ago.
  return query.Next() && mark.number <= static_cast<std::uint64_t>(query.Int(0));
}

void SqliteStore::KeepMark(UserId user, const CommandMark& mark) {
  Transaction transaction(db_);
  KeepMarkInTransaction(user, mark);
  transaction.Commit();
}

void SqliteStore::KeepMarkInTransaction(UserId user, const CommandMark& mark) {
  Query(keep_mark_).Bind(1, std::int64_t{user}).Bind(2, Stored(mark.instance)).Bind(3, Stored(mark.number)).Run();
  Query(forget_old_marks_).Bind(1, std::int64_t{user}).Bind(2, std::int64_t{kMarkedInstancesPerUser}).Run();
}

std::optional<std::string> SqliteStore::Setting(std::string_view name) {
  Query query(setting_);
  query.Bind(1, name);
  if (!query.Next()) return std::nullopt;
  return query.Bytes(0);
}

void SqliteStore::SetSetting(std::string_view name, std::string_view value) {
  Query(set_setting_).Bind(1, name).Bind(2, value).Run();
}

}  // namespace ozl::server
