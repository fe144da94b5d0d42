// Pieces of the command language as the server reads and writes them: fields split at "|",
// user identifiers, list entries and the byte-level checks that keep lists parseable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ozl::server {

// Identifiers are the decimal text of a positive 32-bit signed number.
using UserId = std::int32_t;

std::optional<UserId> ParseUserId(std::string_view text);

// The value of a request's Command header: the client instance and the number of the command in
// that instance's queue. A client sends a command again with the same mark when it has not seen
// the answer, so the server can tell a repeat from a new command.
struct CommandMark {
  std::uint64_t instance = 0;
  std::uint64_t number = 0;
  friend bool operator==(const CommandMark&, const CommandMark&) = default;
};

// "instance.number", both decimal; anything else is no mark.
std::optional<CommandMark> ParseCommandMark(std::string_view text);

// Splits at every separator; "a||b" gives three fields, "" gives one empty field.
std::vector<std::string_view> SplitFields(std::string_view text, char separator = '|');

// "id-nick-status", the form of one user in every list.
std::string Entry(UserId id, std::string_view nick, std::string_view status);

// The characters that split fields, entries and the two halves of the full list.
bool HasListSeparator(std::string_view text);
bool HasControlCharacter(std::string_view text);

// Free text goes out as one body line: a line break or other control byte inside it would
// cut the line in two on the client, so each becomes a blank.
std::string OneLine(std::string_view text);

// Lower case for Latin and Cyrillic letters of Windows-1251, with "ё" folded into "е", so a
// search finds "Ёжик" when asked for "ежик".
std::string FoldCase(std::string_view text);

// The smallest byte string greater than every string that starts with the prefix, or nothing
// when there is none (the prefix is empty or all 0xFF).
std::optional<std::string> PrefixUpperBound(std::string_view prefix);

}  // namespace ozl::server
