#include "logic/dispatcher.h"

#include <exception>

#include "text/cp1251.h"

namespace ozl::logic {

// The command language, whose words this file reads throughout.
using protocol::ChatLine;
using protocol::FileError;
using protocol::FullLists;
using protocol::Incoming;
using protocol::ListEntries;
using protocol::Login;
using protocol::LoginCommand;
using protocol::ParseChatLine;
using protocol::ParseFullLists;
using protocol::ParseLogin;
using protocol::ParsePrivateMessage;
using protocol::ParseUserInfo;
using protocol::PrivateMessage;
using protocol::RandomSessionId;
using protocol::RandomWords;
using protocol::Recognise;
using protocol::RowColour;
using protocol::WithoutLineEnd;
using protocol::kReloginSessionBound;

namespace {

std::string Joined(std::string_view nick, std::string_view text) {
  std::string line(nick);
  line += " >> ";
  line += text;
  return line;
}

}  // namespace

std::string WebChatStartPage(std::string_view web_host) {
  return "http://" + std::string(web_host) + "/ozl";
}

Dispatcher::Dispatcher(DispatcherLinks links, RandomWords random, std::string web_host)
    : links_(links), random_(std::move(random)), web_host_(std::move(web_host)) {}

void Dispatcher::ReceiveText(std::string_view line) {
  // A window that cannot be made, or memory that runs out, ends this line only.
  try {
    Dispatch(line);
  } catch (const std::exception& error) {
    links_.shell.ShowError(error.what());
  }
}

void Dispatcher::CommandRefused(std::string_view command) {
  try {
    if (command.starts_with("#S")) {
      const std::size_t bar = command.find('|');
      if (bar != std::string_view::npos) {
        return ReturnUnsentMessage(command.substr(2, bar - 2), command.substr(bar + 1));
      }
    } else if (command.starts_with("#C")) {
      links_.chat.ReturnUnsent(std::string(command.substr(2)));
      return links_.shell.ViewInfo(
          std::string("Строка не доставлена в общий чат:\r\nсервер её не принял.\r\nОна возвращена в поле ввода."_cp1251));
    }
    links_.shell.ViewInfo(std::string("Сервер не принял команду:\r\nдействие не выполнено."_cp1251));
  } catch (const std::exception& error) {
    links_.shell.ShowError(error.what());
  }
}

void Dispatcher::ReturnUnsentMessage(std::string_view id, std::string_view text) {
  // The message window joins its lines with a blank after each; the last one is not the user's.
  if (text.ends_with(' ')) text.remove_suffix(1);
  const std::string title(id);
  conversations::Composer* composer = links_.composers.Find(title);
  if (composer == nullptr && protocol::IsPlainId(title) && !links_.composers.Full()) {
    composer = links_.composers.Open(links_.message_windows.Create(title, title));
  }
  if (composer == nullptr) {
    return links_.shell.ViewInfo(std::string("Сообщение для "_cp1251) + title +
                                 std::string(" не доставлено: сервер его не принял.\r\n"_cp1251) +
                                 std::string(text));
  }
  composer->ReturnUnsent(std::string(text));
  links_.message_windows.BringToTop(title);
  links_.shell.ViewInfo(std::string(
      "Сообщение не доставлено:\r\nсервер его не принял.\r\nТекст возвращён в окно привата."_cp1251));
}

void Dispatcher::Dispatch(std::string_view line) {
  const auto [code, rest] = Recognise(line);
  switch (code) {
    case Incoming::kNone:
      return;
    case Incoming::kRegistered:
      return OnRegistered(rest);
    case Incoming::kLoggedIn:
      return OnLoggedIn(rest);
    case Incoming::kChatLine: {
      const ChatLine chat_line = ParseChatLine(rest);
      return links_.chat.AppendLine(Joined(chat_line.nick, chat_line.text));
    }
    case Incoming::kFullLists:
      return OnFullLists(rest);
    case Incoming::kSearchResult:
      return links_.search_results.Load(rest);
    case Incoming::kUserInfo:
      return links_.user_info.ShowUserInfo(ParseUserInfo(rest));
    case Incoming::kContactChanged:
    case Incoming::kContactAdded:
      return links_.lists.UpdateKontakt(WithoutLineEnd(rest));
    case Incoming::kOnlineChanged:
      links_.lists.UpdateOnline(WithoutLineEnd(rest));
      return links_.lists.UpdateChatlist();
    case Incoming::kContactRemoved:
      return links_.lists.DeleteKontakt(WithoutLineEnd(rest));
    case Incoming::kLogInAgain:
      return OnLogInAgain();
    case Incoming::kNotice:
      // Like every other field, the notice ends before the line end, so "#-" alone is an empty
      // notice rather than a blank line.
      links_.shell.PlaySound("play sound/Beep.wav");
      return links_.shell.ViewInfo(std::string(WithoutLineEnd(rest)));
    case Incoming::kEnd:
      return links_.shell.CloseMainWindow();
    case Incoming::kPrivateMessage:
      return OnPrivateMessage(rest);
  }
}

void Dispatcher::OnRegistered(std::string_view rest) {
  const std::string id(WithoutLineEnd(rest));
  links_.shell.ViewInfo(std::string("Вам присвоен идентификатор: "_cp1251) + id);
  links_.state.chat_nick = links_.registration.ChatNickText();
  links_.state.chat_password = links_.registration.PasswordText();
  links_.login.Show();
  links_.registration.Hide();
  links_.login.SetIdText(id);
  links_.login.SetPasswordText(links_.registration.PasswordText());
  links_.shell.PlaySound("play sound/onregistry.wav");
}

void Dispatcher::OnLoggedIn(std::string_view rest) {
  const std::optional<Login> login = ParseLogin(rest);
  if (!login) return;
  links_.state.chat_nick = login->chat_nick;
  links_.state.own_nick = login->nick;
  links_.state.chat_password = links_.login.PasswordText();
  links_.list_window.SetCaption(links_.state.own_nick);
  links_.login.Hide();
  links_.registration.Hide();
  links_.list_window.Show();
  links_.web_chat.Navigate(WebChatStartPage(web_host_));
  links_.shell.PlaySound("play sound/onenter.wav");
}

void Dispatcher::OnFullLists(std::string_view rest) {
  links_.session.StartPolling();
  const FullLists lists = ParseFullLists(rest);
  links_.lists.LoadOnline(lists.online);
  for (const std::string_view entry : ListEntries(lists.contacts)) links_.lists.UpdateKontakt(entry);
}

void Dispatcher::OnLogInAgain() {
  links_.session.SetSessionId(RandomSessionId(kReloginSessionBound, random_));
  links_.session.SendDirect(LoginCommand(links_.login.IdText(), links_.login.PasswordText()));
}

void Dispatcher::OnPrivateMessage(std::string_view rest) {
  const std::optional<PrivateMessage> message = ParsePrivateMessage(rest);
  if (!message) return;
  const std::string id(message->id);
  const std::string nick(message->nick);
  if (nick != links_.state.own_nick) {
    links_.shell.PlaySound("play sound/onprivat.wav");
    links_.shell.StartTrayAnimation();
  }
  const std::string line = Joined(message->nick, message->text);

  std::optional<std::string> history_failure;
  if (conversations::Composer* open = links_.composers.Find(id)) {
    history_failure = WriteHistory(*message, RowColour::kWindowAlreadyOpen);
    open->AppendReceived(line);
    links_.message_windows.BringToTop(id);
  } else if (links_.composers.Full()) {
    history_failure = WriteHistory(*message, RowColour::kWindowOpened);
    links_.shell.ViewInfo(std::string("Слишком много открытых окон привата. Сообщение от "_cp1251) +
                          nick + std::string(" сохранено в History."_cp1251));
  } else {
    // Kept first: a window that cannot be made then loses nothing.
    history_failure = WriteHistory(*message, RowColour::kWindowOpened);
    links_.state.selected_nick = nick;
    conversations::Composer* opened =
        links_.composers.Open(links_.message_windows.Create(id, links_.state.selected_nick));
    links_.message_windows.BringToTop(id);
    if (opened != nullptr) opened->AppendReceived(line);
  }
  // Reported last: the error box waits for the user, and the message is already in its window.
  if (history_failure) links_.shell.ShowError(*history_failure);
}

std::optional<std::string> Dispatcher::WriteHistory(const PrivateMessage& message, RowColour colour) {
  try {
    links_.history.Append(message.id, message.nick, message.text, colour);
    return std::nullopt;
  } catch (const FileError& error) {
    return error.what();
  }
}

}  // namespace ozl::logic
