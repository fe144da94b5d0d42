#include "postgres_store.h"

#include <array>
#include <limits>
#include <utility>
#include <vector>

namespace ozl::server {

enum class PostgresStore::Sql {
  kAddUser,
  kFindUser,
  kUsersWithChatNick,
  kSetClosed,
  kAddContact,
  kRemoveContact,
  kContacts,
  kContactCount,
  kContactOwners,
  kAddMessage,
  kPendingMessages,
  kPendingCount,
  kDeleteMessages,
  kLastNumber,
  kKeepMark,
  kForgetOldMarks,
  kSetting,
  kSetSetting,
};

namespace {

// The tables of the SQLite file, with bytea for its blobs. "user" is a keyword here. Servers
// starting together take turns, since concurrent CREATE ... IF NOT EXISTS may still collide.
constexpr const char* kSchema = R"sql(
BEGIN;
SELECT pg_advisory_xact_lock(5190001);
CREATE TABLE IF NOT EXISTS users (
  id bigint PRIMARY KEY,
  nick bytea NOT NULL, first_name bytea NOT NULL, surname bytea NOT NULL, patronymic bytea NOT NULL,
  email bytea NOT NULL, city bytea NOT NULL, sex bytea NOT NULL, about bytea NOT NULL, chat_nick bytea NOT NULL,
  password_hash bytea NOT NULL,
  closed boolean NOT NULL DEFAULT false,
  nick_key bytea NOT NULL, first_name_key bytea NOT NULL, surname_key bytea NOT NULL,
  patronymic_key bytea NOT NULL, city_key bytea NOT NULL, email_key bytea NOT NULL, chat_nick_key bytea NOT NULL
);
CREATE INDEX IF NOT EXISTS users_by_nick ON users (nick_key);
CREATE INDEX IF NOT EXISTS users_by_city ON users (city_key);
CREATE INDEX IF NOT EXISTS users_by_chat_nick ON users (chat_nick);
CREATE TABLE IF NOT EXISTS contacts (
  owner bigint NOT NULL REFERENCES users (id),
  contact bigint NOT NULL REFERENCES users (id),
  PRIMARY KEY (owner, contact)
);
CREATE INDEX IF NOT EXISTS contacts_by_contact ON contacts (contact, owner);
CREATE TABLE IF NOT EXISTS messages (
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  recipient bigint NOT NULL REFERENCES users (id),
  sender bigint NOT NULL,
  sender_nick bytea NOT NULL,
  text bytea NOT NULL
);
CREATE INDEX IF NOT EXISTS messages_by_recipient ON messages (recipient, id);
CREATE TABLE IF NOT EXISTS settings (name bytea PRIMARY KEY, value bytea NOT NULL);
CREATE TABLE IF NOT EXISTS command_marks (
  "user" bigint NOT NULL,
  instance bigint NOT NULL,
  number bigint NOT NULL,
  kept bigint NOT NULL,
  PRIMARY KEY ("user", instance)
);
COMMIT;
)sql";

// Registrations of all servers on the database take turns, so none hands out an id twice.
constexpr const char* kRegistrationTurn = "SELECT pg_advisory_xact_lock(5190002)";

// Type identifiers of the parameters, fixed in every PostgreSQL.
constexpr Oid kInt8 = 20;
constexpr Oid kBytea = 17;
constexpr Oid kInt8Array = 1016;

struct PreparedSql {
  const char* text;
  // One letter per parameter: i for int8, b for bytea, a for int8[].
  std::string_view types;
};

std::string StatementName(int index) { return "ozl_" + std::to_string(index); }

Oid TypeOf(char letter) {
  switch (letter) {
    case 'i':
      return kInt8;
    case 'a':
      return kInt8Array;
    default:
      return kBytea;
  }
}

void PutBigEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

// The binary form of an int8 parameter: eight bytes, most significant first.
std::string Int8(std::int64_t value) {
  std::string bytes;
  PutBigEndian(bytes, static_cast<std::uint64_t>(value), 8);
  return bytes;
}

// The binary form of a one-dimensional int8[] without NULLs.
std::string Int8Array(std::span<const std::int64_t> values) {
  std::string bytes;
  for (const std::uint64_t header : {1, 0, static_cast<int>(kInt8)}) PutBigEndian(bytes, header, 4);
  PutBigEndian(bytes, values.size(), 4);
  PutBigEndian(bytes, 1, 4);
  for (const std::int64_t value : values) {
    PutBigEndian(bytes, 8, 4);
    PutBigEndian(bytes, static_cast<std::uint64_t>(value), 8);
  }
  return bytes;
}

// A binary integer column of any width.
std::int64_t Int(const PGresult* result, int row, int column) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(PQgetvalue(result, row, column));
  const int length = PQgetlength(result, row, column);
  std::uint64_t value = length > 0 && (bytes[0] & 0x80) ? std::numeric_limits<std::uint64_t>::max() : 0;
  for (int i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  return static_cast<std::int64_t>(value);
}

std::string Bytes(const PGresult* result, int row, int column) {
  return std::string(PQgetvalue(result, row, column), static_cast<std::size_t>(PQgetlength(result, row, column)));
}

}  // namespace

// Rolls back unless committed; on a lost connection the server has rolled back already.
class PostgresStore::Transaction {
 public:
  explicit Transaction(PostgresStore& store) : store_(store) { store_.Execute("BEGIN"); }
  ~Transaction() {
    if (open_) PQclear(PQexec(store_.connection_.get(), "ROLLBACK"));
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit() {
    open_ = false;
    store_.Execute("COMMIT");
  }

 private:
  PostgresStore& store_;
  bool open_ = true;
};

PostgresStore::PostgresStore(std::string uri) : uri_(std::move(uri)) { Connect(); }

void PostgresStore::Connect() {
  static const std::array<std::pair<Sql, PreparedSql>, 18> kStatements = {{
      {Sql::kAddUser,
       {"INSERT INTO users (id, nick, first_name, surname, patronymic, email, city, sex, about, chat_nick,"
        " password_hash, nick_key, first_name_key, surname_key, patronymic_key, city_key, email_key,"
        " chat_nick_key)"
        " SELECT COALESCE(MAX(id), $1 - 1) + 1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14,"
        " $15, $16, $17, $18 FROM users HAVING COALESCE(MAX(id), 0) < $19"
        " RETURNING id",
        "ibbbbbbbbbbbbbbbbbi"}},
      {Sql::kFindUser,
       {"SELECT nick, first_name, surname, patronymic, email, city, sex, about, chat_nick, password_hash,"
        " closed::integer FROM users WHERE id = $1",
        "i"}},
      {Sql::kUsersWithChatNick, {"SELECT id FROM users WHERE chat_nick = $1 ORDER BY id LIMIT $2", "bi"}},
      {Sql::kSetClosed, {"UPDATE users SET closed = $2 <> 0 WHERE id = $1", "ii"}},
      {Sql::kAddContact, {"INSERT INTO contacts (owner, contact) VALUES ($1, $2) ON CONFLICT DO NOTHING", "ii"}},
      {Sql::kRemoveContact, {"DELETE FROM contacts WHERE owner = $1 AND contact = $2", "ii"}},
      {Sql::kContacts,
       {"SELECT users.id, users.nick FROM contacts JOIN users ON users.id = contacts.contact"
        " WHERE contacts.owner = $1 ORDER BY contacts.contact",
        "i"}},
      {Sql::kContactCount, {"SELECT COUNT(*) FROM contacts WHERE owner = $1", "i"}},
      {Sql::kContactOwners, {"SELECT owner FROM contacts WHERE contact = $1 ORDER BY owner", "i"}},
      {Sql::kAddMessage,
       {"INSERT INTO messages (recipient, sender, sender_nick, text) VALUES ($1, $2, $3, $4) RETURNING id", "iibb"}},
      {Sql::kPendingMessages,
       {"SELECT id, sender, sender_nick, text FROM messages WHERE recipient = $1 ORDER BY id", "i"}},
      {Sql::kPendingCount, {"SELECT COUNT(*) FROM messages WHERE recipient = $1", "i"}},
      {Sql::kDeleteMessages, {"DELETE FROM messages WHERE id = ANY($1)", "a"}},
      {Sql::kLastNumber, {"SELECT number FROM command_marks WHERE \"user\" = $1 AND instance = $2", "ii"}},
      {Sql::kKeepMark,
       {"INSERT INTO command_marks (\"user\", instance, number, kept)"
        " SELECT $1, $2, $3, COALESCE(MAX(kept), 0) + 1 FROM command_marks WHERE \"user\" = $1"
        " ON CONFLICT (\"user\", instance) DO UPDATE SET number = excluded.number, kept = excluded.kept",
        "iii"}},
      {Sql::kForgetOldMarks,
       {"DELETE FROM command_marks WHERE \"user\" = $1 AND kept <= (SELECT kept FROM command_marks"
        " WHERE \"user\" = $1 ORDER BY kept DESC LIMIT 1 OFFSET $2)",
        "ii"}},
      {Sql::kSetting, {"SELECT value FROM settings WHERE name = $1", "b"}},
      {Sql::kSetSetting,
       {"INSERT INTO settings (name, value) VALUES ($1, $2)"
        " ON CONFLICT (name) DO UPDATE SET value = excluded.value",
        "bb"}},
  }};
  connection_ = ConnectToPostgres(uri_);
  try {
    Checked(PQexec(connection_.get(), kSchema), "creating the tables");
    for (const auto& [statement, sql] : kStatements) {
      std::vector<Oid> types;
      for (const char letter : sql.types) types.push_back(TypeOf(letter));
      const std::string name = StatementName(static_cast<int>(statement));
      Checked(PQprepare(connection_.get(), name.c_str(), sql.text, static_cast<int>(types.size()), types.data()),
              "preparing " + name);
    }
  } catch (const StoreError&) {
    // Half set up is no connection: the next call starts again.
    connection_.reset();
    throw;
  }
}

template <typename Work>
auto PostgresStore::Reconnecting(const Work& work) {
  if (PQstatus(connection_.get()) == CONNECTION_BAD) Connect();
  try {
    return work();
  } catch (const StoreError&) {
    if (PQstatus(connection_.get()) != CONNECTION_BAD) throw;
  }
  // The database went away and may be back (a restart). A statement cut off between its commit
  // and its answer runs twice: a message may then come twice, a registration leave an unused id.
  // Failing instead would only have the client send the command again.
  Connect();
  return work();
}

PostgresResult PostgresStore::Checked(PGresult* raw, std::string_view what) const {
  PostgresResult result(raw);
  const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    const char* message = result ? PQresultErrorMessage(result.get()) : PQerrorMessage(connection_.get());
    throw StoreError(std::string(what) + ": " + PostgresMessage(message));
  }
  return result;
}

PostgresResult PostgresStore::Run(Sql statement, std::initializer_list<std::string_view> parameters) {
  std::vector<const char*> values;
  std::vector<int> lengths;
  for (const std::string_view parameter : parameters) {
    // A null pointer would be NULL; an empty text is an empty bytea.
    values.push_back(parameter.data() != nullptr ? parameter.data() : "");
    lengths.push_back(static_cast<int>(parameter.size()));
  }
  const std::vector<int> binary(parameters.size(), 1);
  const std::string name = StatementName(static_cast<int>(statement));
  return Checked(PQexecPrepared(connection_.get(), name.c_str(), static_cast<int>(values.size()), values.data(),
                                lengths.data(), binary.data(), 1),
                 "statement " + name);
}

void PostgresStore::Execute(const char* sql) { Checked(PQexec(connection_.get(), sql), sql); }

std::optional<UserId> PostgresStore::AddUser(const Profile& profile, std::string_view password_hash) {
  return Reconnecting([&]() -> std::optional<UserId> {
    Transaction transaction(*this);
    Execute(kRegistrationTurn);
    const PostgresResult result =
        Run(Sql::kAddUser,
            {Int8(kFirstId), profile.nick, profile.first_name, profile.surname, profile.patronymic, profile.email,
             profile.city, profile.sex, profile.about, profile.chat_nick, password_hash, FoldCase(profile.nick),
             FoldCase(profile.first_name), FoldCase(profile.surname), FoldCase(profile.patronymic),
             FoldCase(profile.city), FoldCase(profile.email), FoldCase(profile.chat_nick),
             Int8(std::numeric_limits<UserId>::max())});
    transaction.Commit();
    if (PQntuples(result.get()) == 0) return std::nullopt;
    return static_cast<UserId>(Int(result.get(), 0, 0));
  });
}

std::optional<UserRecord> PostgresStore::FindUser(UserId id) {
  return Reconnecting([&]() -> std::optional<UserRecord> {
    const PostgresResult result = Run(Sql::kFindUser, {Int8(id)});
    if (PQntuples(result.get()) == 0) return std::nullopt;
    const PGresult* row = result.get();
    UserRecord user;
    user.id = id;
    user.profile = Profile{Bytes(row, 0, 0), Bytes(row, 0, 1), Bytes(row, 0, 2), Bytes(row, 0, 3), Bytes(row, 0, 4),
                           Bytes(row, 0, 5), Bytes(row, 0, 6), Bytes(row, 0, 7), Bytes(row, 0, 8)};
    user.password_hash = Bytes(row, 0, 9);
    user.closed_for_friendship = Int(row, 0, 10) != 0;
    return user;
  });
}

std::vector<UserRecord> PostgresStore::UsersWithChatNick(std::string_view chat_nick, int limit) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kUsersWithChatNick, {chat_nick, Int8(limit)}); });
  std::vector<UserRecord> users;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    if (std::optional<UserRecord> user = FindUser(static_cast<UserId>(Int(result.get(), row, 0)))) {
      users.push_back(std::move(*user));
    }
  }
  return users;
}

void PostgresStore::SetClosedForFriendship(UserId id, bool closed) {
  Reconnecting([&] { return Run(Sql::kSetClosed, {Int8(id), Int8(closed ? 1 : 0)}); });
}

bool PostgresStore::AddContact(UserId owner, UserId contact) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kAddContact, {Int8(owner), Int8(contact)}); });
  return std::string_view(PQcmdTuples(result.get())) != "0";
}

void PostgresStore::RemoveContact(UserId owner, UserId contact) {
  Reconnecting([&] { return Run(Sql::kRemoveContact, {Int8(owner), Int8(contact)}); });
}

std::vector<UserName> PostgresStore::Contacts(UserId owner) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kContacts, {Int8(owner)}); });
  std::vector<UserName> contacts;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    contacts.push_back({static_cast<UserId>(Int(result.get(), row, 0)), Bytes(result.get(), row, 1)});
  }
  return contacts;
}

int PostgresStore::ContactCount(UserId owner) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kContactCount, {Int8(owner)}); });
  return static_cast<int>(Int(result.get(), 0, 0));
}

std::vector<UserId> PostgresStore::ContactOwners(UserId contact) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kContactOwners, {Int8(contact)}); });
  std::vector<UserId> owners;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    owners.push_back(static_cast<UserId>(Int(result.get(), row, 0)));
  }
  return owners;
}

std::int64_t PostgresStore::AddMessage(UserId recipient, UserId sender, std::string_view sender_nick,
                                       std::string_view text, const std::optional<CommandMark>& mark) {
  return Reconnecting([&] {
    Transaction transaction(*this);
    const PostgresResult result = Run(Sql::kAddMessage, {Int8(recipient), Int8(sender), sender_nick, text});
    if (mark) KeepMarkInTransaction(sender, *mark);
    transaction.Commit();
    return Int(result.get(), 0, 0);
  });
}

std::vector<StoredMessage> PostgresStore::PendingMessages(UserId recipient) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kPendingMessages, {Int8(recipient)}); });
  const PGresult* rows = result.get();
  std::vector<StoredMessage> messages;
  for (int row = 0; row < PQntuples(rows); ++row) {
    messages.push_back(
        {Int(rows, row, 0), static_cast<UserId>(Int(rows, row, 1)), Bytes(rows, row, 2), Bytes(rows, row, 3)});
  }
  return messages;
}

int PostgresStore::PendingCount(UserId recipient) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kPendingCount, {Int8(recipient)}); });
  return static_cast<int>(Int(result.get(), 0, 0));
}

void PostgresStore::DeleteMessages(std::span<const std::int64_t> ids) {
  if (ids.empty()) return;
  Reconnecting([&] { return Run(Sql::kDeleteMessages, {Int8Array(ids)}); });
}

std::vector<UserName> PostgresStore::Search(const SearchCriteria& criteria, int limit) {
  const SearchQuery search = BuildSearch(criteria, limit, '$');
  std::vector<const char*> values;
  std::vector<int> lengths;
  for (const std::string& value : search.values) {
    values.push_back(value.data());
    lengths.push_back(static_cast<int>(value.size()));
  }
  const std::vector<Oid> types(values.size(), kBytea);
  const std::vector<int> binary(values.size(), 1);
  const PostgresResult result = Reconnecting([&] {
    return Checked(PQexecParams(connection_.get(), search.sql.c_str(), static_cast<int>(values.size()), types.data(),
                                values.data(), lengths.data(), binary.data(), 1),
                   "search");
  });
  std::vector<UserName> found;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    found.push_back({static_cast<UserId>(Int(result.get(), row, 0)), Bytes(result.get(), row, 1)});
  }
  return found;
}

bool PostgresStore::CarriedOut(UserId user, const CommandMark& mark) {
  const PostgresResult result = Reconnecting(
      [&] { return Run(Sql::kLastNumber, {Int8(user), Int8(static_cast<std::int64_t>(mark.instance))}); });
  // Numbers only grow within an instance: an older one is a late copy, done long ago.
  return PQntuples(result.get()) > 0 && mark.number <= static_cast<std::uint64_t>(Int(result.get(), 0, 0));
}

void PostgresStore::KeepMark(UserId user, const CommandMark& mark) {
  Reconnecting([&] {
    Transaction transaction(*this);
    KeepMarkInTransaction(user, mark);
    transaction.Commit();
  });
}

void PostgresStore::KeepMarkInTransaction(UserId user, const CommandMark& mark) {
  Run(Sql::kKeepMark, {Int8(user), Int8(static_cast<std::int64_t>(mark.instance)),
                       Int8(static_cast<std::int64_t>(mark.number))});
  Run(Sql::kForgetOldMarks, {Int8(user), Int8(kMarkedInstancesPerUser)});
}

std::optional<std::string> PostgresStore::Setting(std::string_view name) {
  const PostgresResult result = Reconnecting([&] { return Run(Sql::kSetting, {name}); });
  if (PQntuples(result.get()) == 0) return std::nullopt;
  return Bytes(result.get(), 0, 0);
}

void PostgresStore::SetSetting(std::string_view name, std::string_view value) {
  Reconnecting([&] { return Run(Sql::kSetSetting, {name, value}); });
}

}  // namespace ozl::server
