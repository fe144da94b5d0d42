#include "windows/list_form.h"

#include "lists/list_window_text.h"
#include "platform/effects.h"
#include "platform/files.h"
#include "platform/text.h"
#include "protocol/commands.h"
#include "platform/skinned_form.h"

namespace ozl {
namespace {

int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// Ids are shown whole, up to ten digits; the nick column gives way.
platform::StringGrid::Layout ListLayout() {
  const int id_width = platform::StringGrid::ColumnWidthFor("0000000000");
  return {{id_width, 29 + 109 - id_width, 21}, 24, lists::kNickColumn};
}

std::string CurrentFolder() {
  const DWORD length = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(length, L'\0');
  folder.resize(GetCurrentDirectoryW(length, folder.data()));
  return platform::Narrow(folder);
}

}  // namespace

TListForm::TListForm(logic::Outbox& outbox, logic::Notices& notices, Navigation& navigation,
                     lists::ListTables& lists, logic::SessionState& state)
    : ShapedForm({.client_width = 180,
                  .client_height = ScreenHeight(),
                  .background = GetSysColor(COLOR_MENU),
                  .stay_on_top = true,
                  .drag_by_surface = false,
                  .centred = false},
                 "TListForm"),
      S(ScreenHeight()),
      Spages(*this, 4, 20, platform::Bitmap::FromResource(L"SWITCH_PAGES_OFF"),
             platform::Bitmap::FromResource(L"SWITCH_PAGES_ON"), GetSysColor(COLOR_MENU)),
      SGonline(*this, 6, 44, 166, S - 184, ListLayout(), std::make_unique<lists::TableRows>(lists.Online())),
      SGkontakt(*this, 6, 44, 166, S - 184, ListLayout(), std::make_unique<lists::TableRows>(lists.Contacts())),
      Sfriend(*this, 24, S - 136, platform::Bitmap::FromResource(L"SWITCH_FRIEND_OFF"),
              platform::Bitmap::FromResource(L"SWITCH_FRIEND_ON"), RGB(0xF8, 0xF1, 0xD2)),
      outbox_(outbox),
      notices_(notices),
      navigation_(navigation),
      lists_(lists),
      state_(state) {
  BeginLoading();
  for (skin::TPictExtRgn* cartoon : {&Cartoon1, &Cartoon2}) {
    cartoon->SetTransColor(skin::kSkinTransparent);
    cartoon->SetHorAlign(skin::TRegionAlignment::raSource);
    cartoon->SetVertAlign(skin::TRegionAlignment::raSource);
  }
  Cartoon1.SetGlyph(skin::PixelImageOf(top_picture.picture()));
  Cartoon2.SetGlyph(skin::PixelImageOf(bottom_picture.picture()));
  FormRegion1.SetRegion(lists::ListWindowRegionText(S));
  FormRegion1.SetClientDrag(false);
  EndLoading();

  SGkontakt.SetVisible(false);
  SGonline.on_draw_cell = [this](HDC dc, platform::GridCell cell, const RECT& area) {
    SGonlineDrawCell(dc, cell, area);
  };
  SGkontakt.on_draw_cell = [this](HDC dc, platform::GridCell cell, const RECT& area) {
    SGkontaktDrawCell(dc, cell, area);
  };
  // One pointer position for both grids.
  SGonline.on_mouse_move = [this](POINT at) { SGonlineMouseMove(at); };
  SGkontakt.on_mouse_move = [this](POINT at) { SGonlineMouseMove(at); };
  SGonline.on_double_click = [this] { SGonlineDblClick(); };
  SGkontakt.on_double_click = [this] { SGkontaktDblClick(); };
  SGonline.on_context_menu = [this](POINT at) { PMonline.Popup(hwnd(), at); };
  SGkontakt.on_context_menu = [this](POINT at) { PMkontakt.Popup(hwnd(), at); };
  PMonline.on_popup = [this] { return PMonlinePopup(); };
  PMkontakt.on_popup = [this] { return PMkontaktPopup(); };
  N1.on_click = [this] { N1Click(); };
  N2.on_click = [this] { N2Click(); };
  N3.on_click = [this] { N3Click(); };
  N11.on_click = [this] { N11Click(); };
  N21.on_click = [this] { N21Click(); };
  N31.on_click = [this] { N31Click(); };
  History1.on_click = [this] { History1Click(); };
  Spages.on_on = [this] { SpagesOn(); };
  Spages.on_off = [this] { SpagesOff(); };
  Sfriend.on_on = [this] { SfriendOn(); };
  Sfriend.on_off = [this] { SfriendOff(); };
  Sfriend.SetCursor(LoadCursorW(nullptr, IDC_HAND));
  Bchat.on_click = [this] { BitBtn1Click(); };
  Bchatkiv.on_click = [this] { BitBtn3Click(); };
  Bsearch.on_click = [this] { BitBtn2Click(); };
  VBminimize.on_click = [this] { VBminimizeclick(); };
  VBclose.on_click = [this] { VBcloseclick(); };
}

void TListForm::Send(std::string command) { outbox_.SendText(std::move(command)); }

// Lists --------------------------------------------------------------------------------------------

void TListForm::SGonlineDrawCell(HDC dc, platform::GridCell cell, const RECT& area) {
  lists::DrawStatusIcon(status_icons_, lists_.Online(), dc, cell, area);
}

void TListForm::SGkontaktDrawCell(HDC dc, platform::GridCell cell, const RECT& area) {
  lists::DrawStatusIcon(status_icons_, lists_.Contacts(), dc, cell, area);
}

POINT TListForm::MenuPointOnScreen() const {
  // The grid's own place in the window is not added: the menu opens up and to the left of the
  // pointer, where users of this window expect it.
  RECT frame{};
  GetWindowRect(hwnd(), &frame);
  return {frame.left + pointer_.x, frame.top + pointer_.y};
}

void TListForm::SGonlineDblClick() { PMonline.Popup(hwnd(), MenuPointOnScreen()); }

void TListForm::SGkontaktDblClick() { PMkontakt.Popup(hwnd(), MenuPointOnScreen()); }

bool TListForm::PMonlinePopup() {
  return lists::TargetRow({PMonline, N1, N2, N3, &lists::OnlineRowCaptions}, SGonline, pointer_,
                          lists_.Online(), &state_.selected_nick);
}

bool TListForm::PMkontaktPopup() {
  return lists::TargetRow({PMkontakt, N11, N21, N31, &lists::ContactRowCaptions}, SGkontakt, pointer_,
                          lists_.Contacts(), &state_.selected_nick);
}

// Row menus ----------------------------------------------------------------------------------------

void TListForm::OpenComposer(std::int32_t id) {
  const std::string title = std::to_string(id);
  if (platform::FindOwnWindow(title) != nullptr) {
    notices_.ViewInfo(std::string("    Окно привата уже открыто."_cp1251));
    return;
  }
  navigation_.OpenComposer(title);
}

void TListForm::N1Click() { OpenComposer(PMonline.Tag); }

void TListForm::N2Click() { Send(protocol::UserInfoCommand(PMonline.Tag)); }

void TListForm::N3Click() { Send(protocol::AddContactCommand(PMonline.Tag)); }

void TListForm::N11Click() { OpenComposer(PMkontakt.Tag); }

void TListForm::N21Click() { Send(protocol::UserInfoCommand(PMkontakt.Tag)); }

void TListForm::N31Click() { Send(protocol::RemoveContactCommand(PMkontakt.Tag)); }

void TListForm::History1Click() {
  const std::string path = lists::HistoryPath(CurrentFolder(), PMkontakt.Tag);
  if (!platform::Win32FileSystem().Exists(path)) {
    notices_.ViewInfo(std::string("К сожалению, History List пуст!"_cp1251));
    return;
  }
  navigation_.ShowHistory(path);
}

// Switches -----------------------------------------------------------------------------------------

void TListForm::SpagesOn() {
  SGkontakt.SetVisible(true);
  SGonline.SetVisible(false);
}

void TListForm::SpagesOff() {
  SGonline.SetVisible(true);
  SGkontakt.SetVisible(false);
}

void TListForm::SfriendOn() {
  Lfriend.SetCaption("Закрыт для дружбы"_cp1251);
  Send(protocol::ClosedForFriendshipCommand());
}

void TListForm::SfriendOff() {
  Lfriend.SetCaption("Открыт для дружбы"_cp1251);
  Send(protocol::OpenForFriendshipCommand());
}

// Buttons ------------------------------------------------------------------------------------------

void TListForm::BitBtn1Click() {
  // The second notification of a click acts.
  if (Bchat.ClickLatch.Flip(true)) {
    Send(protocol::EnterChatCommand());
    navigation_.ShowChat();
  }
}

void TListForm::BitBtn3Click() { navigation_.OpenWebChat(); }

void TListForm::BitBtn2Click() { navigation_.ShowSearch(); }

void TListForm::VBminimizeclick() { platform::Form::HideAllToTray(); }

void TListForm::VBcloseclick() {
  if (VBclose.ClickLatch.Flip()) SendMessageW(hwnd(), WM_SYSCOMMAND, SC_CLOSE, -1);
}

platform::Form::CloseAction TListForm::FormClose() {
  notices_.PlaySound("play sound/onclose.wav");
  if (!platform::effects().confirm(std::string("Вы уверены, что хотите выйти?"_cp1251), hwnd())) {
    return CloseAction::kKeep;
  }
  outbox_.SendLogout();
  return CloseAction::kHide;
}

// Skin and place -----------------------------------------------------------------------------------

void TListForm::FormPaint(HDC dc) {
  const int height = ClientHeight();
  const int bottom_top = height - bottom_picture.height();
  top_picture.Draw(dc, 0, 0);
  bottom_picture.Draw(dc, 0, bottom_top);
  // The last line covers the bottom picture's first row, so the two join without a seam.
  if (bottom_top >= top_picture.height()) Ipx.DrawRepeatedDown(dc, 0, top_picture.height(), bottom_top + 1);
}

WINDOWPOS TListForm::Docked(WINDOWPOS position) const {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame{};
  GetWindowRect(hwnd(), &frame);
  position.cx = frame.right - frame.left;
  position.cy = work.bottom - work.top;
  position.x = work.right - position.cx;
  position.y = work.top;
  position.flags &= ~static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE);
  return position;
}

LRESULT TListForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_WINDOWPOSCHANGING: {
      // Every way of showing the window (the login answer, the tray) docks it.
      auto* position = reinterpret_cast<WINDOWPOS*>(lparam);
      if ((position->flags & SWP_SHOWWINDOW) != 0) *position = Docked(*position);
      break;
    }
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
      if (visible() && (message == WM_DISPLAYCHANGE || wparam == SPI_SETWORKAREA)) {
        const WINDOWPOS docked = Docked({});
        SetWindowPos(hwnd(), nullptr, docked.x, docked.y, docked.cx, docked.cy, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    default:
      break;
  }
  return Form::HandleMessage(message, wparam, lparam);
}

}  // namespace ozl
