#include "web.h"

#include <array>

#include "notices.h"
#include "text/cp1251.h"

namespace ozl::server {
namespace {

constexpr std::string_view kRoom = "main";

// The embedded browser of Windows renders in an old document mode unless told otherwise, and
// runs only older script: the page's script uses var, function expressions and XMLHttpRequest.
std::string Page(std::string_view title, std::string_view body) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"ru\"><head>\n"
      "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\n<title>";
  page += title;
  page +=
      "</title>\n<style>body{font-family:Tahoma,Arial,sans-serif;margin:1em}"
      "#room{display:flex;gap:1em}#lines{flex:1;height:20em;overflow:auto;border:1px solid #889;padding:.3em}"
      "#people{width:12em;border:1px solid #889;margin:0;padding:.3em;list-style:none}"
      ".nick{font-weight:bold}#notice{color:#a00}</style>\n</head><body>\n";
  page += body;
  page += "\n</body></html>\n";
  return page;
}

std::string HtmlResponse(std::string_view title, std::string_view body) {
  return WebResponse("200 OK", "text/html; charset=windows-1251", Page(title, body));
}

std::string LoginForm() {
  return std::string(
             "<form action=\"/cgi-bin/go.cgi\" method=\"get\">\n"
             "<input type=\"hidden\" name=\"room\" value=\"main\"><input type=\"hidden\" name=\"i\" value=\"v\">\n"
             "<p><label>Ник в чате: <input name=\"name\" maxlength=\"64\"></label>\n"
             "<label>Пароль: <input type=\"password\" name=\"pass\" maxlength=\"64\"></label>\n"
             "<button type=\"submit\">Войти в чат</button></p>\n</form>"_cp1251);
}

std::string RefusalPage(std::string_view text) {
  return HtmlResponse("Веб-чат OZL: вход не выполнен"_cp1251,
                      std::string("<h1>Вход в веб-чат не выполнен</h1>\n<p id=\"refusal\">"_cp1251) + HtmlEscaped(text) +
                          "</p>\n" + LoginForm());
}

std::string_view RefusalText(WebRefusal refusal) {
  switch (refusal) {
    case WebRefusal::kWrongLogin: return "Неверный ник или пароль."_cp1251;
    case WebRefusal::kTooManyLogins: return notice::kTooManyLogins;
    case WebRefusal::kTooOften: return notice::kTooOften;
    case WebRefusal::kTooLong: return notice::kChatLineTooLong;
    case WebRefusal::kSessionEnded: return "Сеанс веб-чата окончен. Войдите снова."_cp1251;
    case WebRefusal::kTooManyRequests: return "Слишком много запросов. Попробуйте позже."_cp1251;
  }
  return {};
}

std::string PortalPage() {
  return HtmlResponse("OZL"_cp1251,
                      std::string("<h1>OZL</h1>\n<p>Сервер OZL: общий чат и личные сообщения. Войдите программой "
                                  "OZL или в веб-чат прямо здесь.</p>\n"_cp1251) +
                          LoginForm());
}

std::string StartPage() {
  return HtmlResponse("Веб-чат OZL"_cp1251,
                      std::string("<h1>Веб-чат OZL</h1>\n<p>Нажмите в окне контактов кнопку веб-чата, и вы "
                                  "войдёте в общий чат под своим ником.</p>\n"_cp1251) +
                          LoginForm());
}

std::string NotFoundPage() {
  return WebResponse("404 Not Found", "text/html; charset=windows-1251",
                     Page("OZL: страница не найдена"_cp1251,
                          "<h1>Страница не найдена</h1>\n<p><a href=\"/\">На главную страницу OZL</a></p>"_cp1251));
}

// The token is hexadecimal; the page's script is the only place it is written into.
std::string ChatPage(const WebChatEntry& entry) {
  std::string body =
      std::string("<h1>Общий чат OZL</h1>\n<p>Вы в чате как <b id=\"nick\">"_cp1251) + HtmlEscaped(entry.nick) +
      std::string("</b>. <a href=\"/\" id=\"leave\">Выйти</a></p>\n"
      "<div id=\"room\"><div id=\"lines\"></div><ul id=\"people\"></ul></div>\n"
      "<form id=\"say\" action=\"#\"><p><input id=\"text\" maxlength=\"500\" size=\"60\" autocomplete=\"off\">\n"
      "<button type=\"submit\">Сказать</button></p></form>\n<p id=\"notice\"></p>\n"_cp1251);
  body += "<script>\n(function () {\n  var token = \"" + entry.token + "\";\n";
  body += R"js(  var ended = false;
  function element(id) { return document.getElementById(id); }
  function setText(node, value) {
    while (node.firstChild) node.removeChild(node.firstChild);
    node.appendChild(document.createTextNode(value));
  }
  function span(className, value) {
    var node = document.createElement("span");
    node.className = className;
    node.appendChild(document.createTextNode(value));
    return node;
  }
  function show(news) {
    var i, row, item, lines = element("lines"), people = element("people");
    setText(element("notice"), news.notice || "");
    if (news.ended) ended = true;
    if (news.lines) {
      for (i = 0; i < news.lines.length; i++) {
        row = document.createElement("div");
        row.className = "line";
        row.appendChild(span("nick", news.lines[i][0]));
        row.appendChild(document.createTextNode(" >> "));
        row.appendChild(span("text", news.lines[i][1]));
        lines.appendChild(row);
      }
      lines.scrollTop = lines.scrollHeight;
    }
    if (news.people) {
      while (people.firstChild) people.removeChild(people.firstChild);
      for (i = 0; i < news.people.length; i++) {
        item = document.createElement("li");
        item.appendChild(document.createTextNode(news.people[i]));
        people.appendChild(item);
      }
    }
  }
  function ask(action, extra, done) {
    var request = new XMLHttpRequest();
    request.open("GET", "/chat/" + action + "?s=" + token + extra + "&t=" + new Date().getTime(), true);
    request.onreadystatechange = function () {
      if (request.readyState !== 4) return;
      var news = null;
      try { news = JSON.parse(request.responseText); } catch (e) {}
      if (news) show(news);
      if (done) done();
    };
    request.send(null);
  }
  function poll() {
    if (!ended) ask("poll", "", function () { setTimeout(poll, 2000); });
  }
  function leave() {
    if (ended) return;
    ended = true;
    var address = "/chat/leave?s=" + token;
    if (navigator.sendBeacon) {
      navigator.sendBeacon(address);
      return;
    }
    try {
      var request = new XMLHttpRequest();
      request.open("GET", address, false);
      request.send(null);
    } catch (e) {}
  }
  element("say").onsubmit = function () {
    var box = element("text");
    if (box.value && !ended) ask("say", "&text=" + encodeURIComponent(box.value));
    box.value = "";
    return false;
  };
  if (window.addEventListener) window.addEventListener("pagehide", leave, false);
  window.onunload = leave;
  if (window.history && history.replaceState) history.replaceState(null, "", "/cgi-bin/go.cgi?room=main");
  poll();
})();
</script>)js";
  return HtmlResponse("Общий чат OZL"_cp1251, body);
}

std::string JsonResponse(std::string_view status, const std::string& json) {
  return WebResponse(status, "application/json", json);
}

std::string NewsJson(const WebChatNews& news) {
  std::string json = "{\"nick\":" + JsonString(news.own_nick) + ",\"lines\":[";
  for (std::size_t i = 0; i < news.lines.size(); ++i) {
    if (i > 0) json += ',';
    json += '[';
    json += JsonString(news.lines[i].nick);
    json += ',';
    json += JsonString(news.lines[i].text);
    json += ']';
  }
  json += "]";
  if (news.participants) {
    json += ",\"people\":[";
    for (std::size_t i = 0; i < news.participants->size(); ++i) {
      if (i > 0) json += ',';
      json += JsonString((*news.participants)[i]);
    }
    json += "]";
  }
  return json + "}";
}

std::string NewsResponse(const std::variant<WebChatNews, WebRefusal>& outcome) {
  if (const auto* news = std::get_if<WebChatNews>(&outcome)) return JsonResponse("200 OK", NewsJson(*news));
  const WebRefusal refusal = std::get<WebRefusal>(outcome);
  const std::string json = std::string("{\"notice\":") + JsonString(RefusalText(refusal)) +
                           (refusal == WebRefusal::kSessionEnded ? ",\"ended\":true}" : "}");
  return JsonResponse(refusal == WebRefusal::kTooManyRequests ? "429 Too Many Requests" : "200 OK", json);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      decoded += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace

std::optional<std::string> QueryValue(std::string_view query, std::string_view name) {
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    const std::size_t equals = pair.find('=');
    if (pair.substr(0, equals) == name) {
      return equals == std::string_view::npos ? std::string() : PercentDecoded(pair.substr(equals + 1));
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string converted;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    char32_t code_point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool whole = length > 0 && i + static_cast<std::size_t>(length) <= utf8.size();
    for (int k = 1; whole && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      whole = (next & 0xC0) == 0x80;
      code_point = (code_point << 6) | (next & 0x3F);
    }
    if (!whole) {
      converted += '?';
      ++i;
      continue;
    }
    const int byte = text::FromCodePoint(code_point);
    converted += byte < 0 ? '?' : static_cast<char>(byte);
    i += static_cast<std::size_t>(length);
  }
  return converted;
}

std::string HtmlEscaped(std::string_view cp1251) {
  std::string escaped;
  for (const char c : cp1251) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string JsonString(std::string_view cp1251) {
  std::string json = "\"";
  for (const char c : cp1251) {
    const char16_t unit = text::ToUtf16(static_cast<unsigned char>(c));
    if (unit >= 0x20 && unit < 0x7F && c != '"' && c != '\\' && c != '<' && c != '>' && c != '&') {
      json += c;
      continue;
    }
    constexpr std::string_view kHex = "0123456789abcdef";
    json += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) json += kHex[(unit >> shift) & 0xF];
  }
  return json + "\"";
}

WebOutcome WebSite::Handle(const PageRequest& request, std::string_view address, Clock::time_point now) {
  const std::string token = QueryValue(request.query, "s").value_or("");
  if (request.path == "/" || request.path == "/index.html") return PortalPage();
  if (request.path == "/ozl") return StartPage();
  if (request.path == "/chat/poll") return NewsResponse(chat_.PollWebChat(address, token, now));
  if (request.path == "/chat/say") {
    const std::string text = Utf8ToCp1251(QueryValue(request.query, "text").value_or(""));
    return NewsResponse(chat_.SayInWebChat(address, token, text, now));
  }
  if (request.path == "/chat/leave") {
    chat_.LeaveWebChat(token, now);
    return JsonResponse("200 OK", "{\"ended\":true}");
  }
  if (request.path != "/cgi-bin/go.cgi") return NotFoundPage();
  const std::optional<std::string> name = QueryValue(request.query, "name");
  if (!name) {
    return HtmlResponse("Веб-чат OZL"_cp1251, std::string("<h1>Веб-чат OZL</h1>\n"_cp1251) + LoginForm());
  }
  if (QueryValue(request.query, "room").value_or(std::string(kRoom)) != kRoom) {
    return RefusalPage("Такой комнаты нет: есть только общий чат."_cp1251);
  }
  // Nick and password come as the client and the forms of these pages send them: Windows-1251.
  auto started = chat_.StartWebChat(address, *name, QueryValue(request.query, "pass").value_or(""), now);
  if (auto* work = std::get_if<PasswordWork>(&started)) return std::move(*work);
  return RefusalPage(RefusalText(std::get<WebRefusal>(started)));
}

std::string WebSite::Busy(const PasswordWork& work, Clock::time_point now) {
  chat_.Busy(work, now);
  return RefusalPage(notice::kBusy);
}

std::string WebSite::Finish(const PasswordWork& work, Clock::time_point now) {
  const auto entered = chat_.FinishWebChat(work, now);
  if (const auto* entry = std::get_if<WebChatEntry>(&entered)) return ChatPage(*entry);
  return RefusalPage(RefusalText(std::get<WebRefusal>(entered)));
}

}  // namespace ozl::server
