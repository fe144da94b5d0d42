// The registration and search checks with the commands they guard. A registration that passes its
// check must build a command the server can read back: the nick first and free of list separators,
// no "-" anywhere, the password repeated; a search that passes builds exactly eight fields, the
// criteria in their order. A refusal is always one of the known notices.
//
// Input: lines. Lines 1-10 are the registration's fields in the order they are sent (line 8 "ж"
// for female, anything else male), line 11 the password's repetition, lines 12-19 the search
// criteria in the order they are sent; missing lines are empty.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/commands.h"
#include "text/cp1251.h"

namespace {

using namespace ozl::protocol;
using ozl::operator""_cp1251;

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Has(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  while (true) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

void CheckRegistration(const std::vector<std::string_view>& line) {
  Registration r{std::string(line[0]), std::string(line[1]), std::string(line[2]), std::string(line[3]),
                 std::string(line[4]), std::string(line[5]), std::string(line[6]),
                 line[7] == "ж"_cp1251 ? Sex::kFemale : Sex::kMale, std::string(line[8]), std::string(line[9])};
  const std::string_view repeat = line[10];
  const std::string command = RegistrationCommand(r);
  const std::optional<std::string> refusal = RegistrationRefusal(r, repeat);
  if (!refusal) {
    Require(command.starts_with("#R" + r.nick + "|"));
    Require(!Has(r.nick, '~') && !Has(r.nick, '|') && !Has(command, '-') && r.password == repeat);
    Require(Split(std::string_view(command).substr(2), '|').size() >= 10);
    return;
  }
  const std::array<std::string_view, 4> notices = {"Недопустимый символ ~ в нике."_cp1251,
                                                   "Недопустимый символ | в нике."_cp1251,
                                                   "Недопустимый символ -."_cp1251,
                                                   "Повторение пароля не совпадает."_cp1251};
  // The first check that fails decides.
  const std::array<bool, 4> failed = {Has(r.nick, '~'), Has(r.nick, '|'), Has(command, '-'), r.password != repeat};
  std::size_t first = 0;
  while (first < failed.size() && !failed[first]) ++first;
  Require(first < failed.size() && *refusal == notices[first]);
}

void CheckSearch(const std::vector<std::string_view>& line) {
  const SearchCriteria c{std::string(line[11]), std::string(line[12]), std::string(line[13]),
                         std::string(line[14]), std::string(line[15]), std::string(line[16]),
                         std::string(line[17]), std::string(line[18])};
  const std::optional<std::string> refusal = SearchRefusal(c);
  bool has_bar = false;
  for (std::size_t i = 11; i <= 18; ++i) has_bar = has_bar || Has(line[i], '|');
  Require(refusal.has_value() == has_bar);
  if (refusal) {
    Require(*refusal == "         Недопустимый символ |"_cp1251);
    return;
  }
  const std::string command = SearchCommand(c);
  Require(command.starts_with("#P"));
  const std::vector<std::string_view> fields = Split(std::string_view(command).substr(2), '|');
  Require(fields.size() == 8);
  const std::array<const std::string*, 8> order = {&c.nick, &c.first_name, &c.surname, &c.patronymic,
                                                   &c.city, &c.email,      &c.id,      &c.chat_nick};
  for (std::size_t i = 0; i < fields.size(); ++i) Require(fields[i] == *order[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string_view> line = Split(std::string_view(reinterpret_cast<const char*>(data), size), '\n');
  line.resize(19);
  CheckRegistration(line);
  CheckSearch(line);
  return 0;
}
