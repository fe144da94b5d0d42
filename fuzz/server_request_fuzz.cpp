// Requests from a few client addresses, each parsed as the event loop parses it and, when it is a
// request, handled by the chat (a browser's by the web pages) over a store in memory that holds the
// demo's users; password work is done at once. Tight rations make their limits reachable. Besides
// sanitizer reports, a finding is an answer the client could not split into its lines (each line
// must start with "#" and end with CR LF, with no other CR or LF inside), or a page whose length
// is not the one its header gives.
//
// Input: records separated by the byte 0x1E. A record's first byte chooses the client: bits 0-1
// its address, bits 2-4 the seconds that pass before it, bit 7 a lost answer (the client never
// gets it, and password work is refused as busy); the rest are the bytes the client sends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "chat.h"
#include "demo.h"
#include "http.h"
#include "sqlite_store.h"
#include "web.h"

namespace {

using namespace ozl::server;

constexpr char kRecordSeparator = '\x1E';
constexpr std::string_view kAddresses[] = {"10.0.0.1", "10.0.0.2", "192.168.7.7", "::1"};

ChatLimits TightLimits() {
  ChatLimits limits;
  limits.max_contacts = 3;
  limits.max_pending_messages = 3;
  limits.unknown_sessions = {3, std::chrono::seconds(10)};
  limits.failed_logins_per_user = {2, std::chrono::seconds(30)};
  limits.failed_logins_per_address = {3, std::chrono::seconds(6)};
  limits.rationed_keys = 2;
  return limits;
}

void CheckLines(std::string_view body) {
  while (!body.empty()) {
    const std::size_t end = body.find("\r\n");
    if (end == std::string_view::npos || body.front() != '#') std::abort();
    if (body.substr(0, end).find_first_of("\r\n") != std::string_view::npos) std::abort();
    body.remove_prefix(end + 2);
  }
}

// A browser's request. "$T" in its query stands for the token of the last web chat login, which
// no input could guess.
void BrowserRequest(WebSite& web, PageRequest page, std::string_view address, bool lost,
                    Clock::time_point now, std::string& token) {
  for (std::size_t at; (at = page.query.find("$T")) != std::string::npos;) page.query.replace(at, 2, token);
  WebOutcome outcome = web.Handle(page, address, now);
  if (auto* work = std::get_if<PasswordWork>(&outcome)) {
    if (lost) {
      outcome = web.Busy(*work, now);
    } else {
      work->task.Run(PasswordCost::kMinimal);
      outcome = web.Finish(*work, now);
      const std::string& response = std::get<std::string>(outcome);
      const std::size_t at = response.find("var token = \"");
      if (at != std::string::npos) token = response.substr(at + 13, 32);
    }
  }
  const std::string& response = std::get<std::string>(outcome);
  const std::size_t body = response.find("\r\n\r\n");
  const std::size_t length = response.find("Content-Length: ");
  if (response.rfind("HTTP/1.0 ", 0) != 0 || body == std::string::npos || length == std::string::npos ||
      std::stoul(response.substr(length + 16)) != response.size() - body - 4) {
    std::abort();
  }
}

void Serve(Store& store, std::string_view input) {
  Chat chat(store, TightLimits());
  WebSite web(chat);
  std::string token;
  chat.SetCompanion(EnsureDemo(store, PasswordCost::kMinimal).companion.id);
  Clock::time_point now{std::chrono::hours(1)};
  while (!input.empty()) {
    const std::size_t end = input.find(kRecordSeparator);
    const std::string_view record = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    if (record.empty()) continue;
    const auto control = static_cast<unsigned char>(record.front());
    const bool lost = (control & 0x80) != 0;
    now += std::chrono::seconds((control >> 2) & 7);
    chat.ExpireIdle(now);

    ParsedRequest parsed = ParseRequest(record.substr(1));
    if (parsed.page) {
      BrowserRequest(web, *parsed.page, kAddresses[control & 3], lost, now, token);
      continue;
    }
    if (!parsed.request) continue;
    const std::string client = Chat::ClientKey(kAddresses[control & 3], parsed.request->session);
    Outcome outcome = chat.Handle(client, parsed.request->data, now, parsed.request->mark);
    if (auto* work = std::get_if<PasswordWork>(&outcome)) {
      if (lost) {
        outcome = chat.Busy(*work, now);
      } else {
        work->task.Run(PasswordCost::kMinimal);
        outcome = chat.Finish(std::move(*work), now);
      }
    }
    const Answer& answer = std::get<Answer>(outcome);
    CheckLines(answer.body);
    if (!lost) chat.Delivered(answer.stored_messages);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SqliteStore store(":memory:");
  Serve(store, std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
