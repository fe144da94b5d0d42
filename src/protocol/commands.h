// The command language spoken with the server, both ways. An outgoing command is "#", a code and
// fields joined by "|"; it travels as one header value. An incoming command is one body line with
// one LF at its end; list entries inside it end with "|" and their parts are joined by "-", and the
// full list carries its online and contact halves on either side of a "~".
//
// All text is Windows-1251 bytes; nothing is escaped or quoted on the wire.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ozl::protocol {

// Outgoing ----------------------------------------------------------------------------------------

enum class Sex { kMale, kFemale };

// The fields of a registration as typed, placeholders included.
struct Registration {
  std::string nick;
  std::string first_name;
  std::string surname;
  std::string patronymic;
  std::string email;
  std::string city;
  std::string password;
  Sex sex = Sex::kMale;
  std::string about;
  std::string chat_nick;
};

// Search criteria; a field still showing its placeholder is given empty.
struct SearchCriteria {
  std::string nick;
  std::string first_name;
  std::string surname;
  std::string patronymic;
  std::string city;
  std::string email;
  std::string id;
  std::string chat_nick;
};

std::string LoginCommand(std::string_view id, std::string_view password);
std::string RegistrationCommand(const Registration& registration);
std::string PingCommand();
std::string ChatCommand(std::string_view text);
std::string EnterChatCommand();
std::string LeaveChatCommand();
std::string SearchCommand(const SearchCriteria& criteria);
// Ids read from a list go back as the decimal text of the number they were read as.
std::string AddContactCommand(std::int32_t id);
std::string RemoveContactCommand(std::int32_t id);
std::string UserInfoCommand(std::int32_t id);
std::string ClosedForFriendshipCommand();
std::string OpenForFriendshipCommand();
// The composing box's lines, each followed by one blank: a message never holds a line break.
std::string PrivateMessageCommand(std::string_view id, std::span<const std::string> lines);
std::string LogoutCommand();

// The notice that refuses a registration, or nothing when it may be sent. The checks run in a
// fixed order and the first failure decides.
std::optional<std::string> RegistrationRefusal(const Registration& registration,
                                               std::string_view password_repeat);
std::optional<std::string> SearchRefusal(const SearchCriteria& criteria);

// Incoming ----------------------------------------------------------------------------------------

enum class Incoming {
  kNone,            // no known code: the line is ignored
  kRegistered,      // "#R" id
  kLoggedIn,        // "#A" chat nick | nick
  kChatLine,        // "#C" nick | text
  kFullLists,       // "#U" online entries ~ contact entries
  kSearchResult,    // "#P" entries
  kUserInfo,        // "#I" nine fields
  kContactChanged,  // "#YK" entry
  kOnlineChanged,   // "#YU" entry
  kContactAdded,    // "#K1" entry
  kContactRemoved,  // "#K0" id
  kLogInAgain,      // "#0"
  kNotice,          // "#-" text
  kEnd,             // "#D"
  kPrivateMessage,  // "#S" id | nick | text
};

struct Recognised {
  Incoming code = Incoming::kNone;
  std::string_view rest;  // the line after its code, line end included
};

// Codes are compared in a fixed order and the first match decides: three characters for "#YK",
// "#YU", "#K1" and "#K0", two for the others. "#PING" is ours alone and never a search result.
Recognised Recognise(std::string_view line);

// The line without the LF the transport appended; a line without one is left whole.
std::string_view WithoutLineEnd(std::string_view text);

struct Login {
  std::string_view chat_nick;
  std::string_view nick;
};
// Split at the first "|"; nothing without one.
std::optional<Login> ParseLogin(std::string_view rest);

struct ChatLine {
  std::string_view nick;
  std::string_view text;
};
// The nick ends at a "|" among the first 100 characters. Without one the first 99 characters
// are the nick, the 100th is dropped and the rest is the text.
ChatLine ParseChatLine(std::string_view rest);

struct FullLists {
  std::string_view online;
  std::string_view contacts;  // empty when the line has no "~"
};
// Split at the first "~".
FullLists ParseFullLists(std::string_view rest);

// The entries of a list, each one ended by "|"; text after the last "|" belongs to none.
std::vector<std::string_view> ListEntries(std::string_view list);

struct Entry {
  std::string_view id;
  std::string_view nick;
  std::string_view status;
};
// Id and nick end at the first and the next "-"; the status is all that remains, "-" included.
// Where a "-" is missing, the piece before it is empty and the text stays for the next one.
Entry SplitEntry(std::string_view entry);

// The parts of an entry cut at every "-": "a-b-c" gives "a", "b", "c"; an empty entry one empty
// part. At most `limit` parts are given; the last of them then stops at its "-" as the others.
std::vector<std::string_view> EntryParts(std::string_view entry, std::size_t limit);
// The same into `parts`, which a caller splitting many entries reuses.
void EntryParts(std::string_view entry, std::size_t limit, std::vector<std::string_view>& parts);

struct UserInfo {
  std::string nick;
  std::string first_name;
  std::string surname;
  std::string patronymic;
  std::string city;
  std::string chat_nick;
  std::string sex;
  std::string about;
  std::string status;
};
// Nine fields separated by "|"; missing fields are empty.
UserInfo ParseUserInfo(std::string_view rest);

struct PrivateMessage {
  std::string_view id;
  std::string_view nick;
  std::string_view text;  // may itself hold "|"
};
// Nothing when the line lacks its two "|" or the id is not a plain decimal number: the id names a
// file, so nothing else may get through.
std::optional<PrivateMessage> ParsePrivateMessage(std::string_view rest);

// One to ten ASCII digits whose value fits a 32-bit signed integer.
bool IsPlainId(std::string_view id);

}  // namespace ozl::protocol
