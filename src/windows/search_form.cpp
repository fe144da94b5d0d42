#include "windows/search_form.h"

#include "directory/placeholders.h"

namespace ozl {

// Titled for the window list and assistive tools, as the button that opens it.
TSearchForm::TSearchForm(logic::Outbox& outbox, logic::Notices& notices, lists::ListTable& results)
    : SkinnedForm({.client_width = 401,
                   .client_height = 316,
                   .skin = L"SKIN_SEARCH",
                   .title = std::string("Поиск друзей"_cp1251)},
                  {.class_name = "TSearchForm", .region = "TLT0,0,Cartoon"}),
      SGsearch(*this, 176, 56, 161, 161, {{39, 81, 21}, 24, lists::kNickColumn},
               std::make_unique<lists::TableRows>(results)),
      outbox_(outbox),
      notices_(notices),
      results_(results) {
  const protocol::SearchCriteria placeholders = directory::SearchPlaceholders();
  for (auto [field, placeholder] :
       {std::pair{&CEid, &placeholders.id}, {&CEnick, &placeholders.nick}, {&CEname, &placeholders.first_name},
        {&CElastname, &placeholders.surname}, {&CEsecondname, &placeholders.patronymic},
        {&CEcity, &placeholders.city}, {&CEemail, &placeholders.email},
        {&CEchatnick, &placeholders.chat_nick}}) {
    field->SetText(*placeholder);
    field->on_click = [this, field = field] { CEidClick(*field); };
  }
  SGsearch.on_mouse_move = [this](POINT at) { SGsearchMouseMove(at); };
  SGsearch.on_double_click = [this] { SGsearchDblClick(); };
  SGsearch.on_context_menu = [this](POINT at) { PopupMenu1.Popup(hwnd(), at); };
  SGsearch.on_draw_cell = [this](HDC dc, platform::GridCell cell, const RECT& area) {
    SGsearchDrawCell(dc, cell, area);
  };
  PopupMenu1.on_popup = [this] { return PopupMenu1Popup(); };
  N21.on_click = [this] { N21Click(); };
  N31.on_click = [this] { N31Click(); };
  Bsearch.on_click = [this] { BitBtn1Click(); };
  Bstop.on_click = [this] { BitBtn2Click(); };
  VBclose.on_click = [this] { VBcloseclick(); };
}

protocol::SearchCriteria TSearchForm::Criteria() const {
  return {CEnick.Text(), CEname.Text(), CElastname.Text(), CEsecondname.Text(),
          CEcity.Text(), CEemail.Text(), CEid.Text(),      CEchatnick.Text()};
}

void TSearchForm::BitBtn1Click() {
  // Unlike the other buttons' handlers, the second notification of a click searches.
  if (!Bsearch.ClickLatch.Flip(true)) return;
  const protocol::SearchCriteria typed = Criteria();
  if (const auto refusal = protocol::SearchRefusal(typed)) {
    notices_.ViewInfo(*refusal);
    return;
  }
  const protocol::SearchCriteria criteria = directory::WithoutPlaceholders(typed);
  for (auto [field, text] :
       {std::pair{&CEid, &criteria.id}, {&CEnick, &criteria.nick}, {&CEname, &criteria.first_name},
        {&CElastname, &criteria.surname}, {&CEsecondname, &criteria.patronymic}, {&CEcity, &criteria.city},
        {&CEemail, &criteria.email}, {&CEchatnick, &criteria.chat_nick}}) {
    if (text->empty()) field->SetText("");
  }
  outbox_.SendText(protocol::SearchCommand(criteria));
}

bool TSearchForm::PopupMenu1Popup() {
  return lists::TargetRow({PopupMenu1, N1, N21, N31, &lists::OnlineRowCaptions}, SGsearch, pointer_,
                          results_, nullptr);
}

void TSearchForm::N21Click() { outbox_.SendText(protocol::UserInfoCommand(PopupMenu1.Tag)); }

void TSearchForm::N31Click() { outbox_.SendText(protocol::AddContactCommand(PopupMenu1.Tag)); }

void TSearchForm::SGsearchDblClick() {
  RECT frame{};
  GetWindowRect(hwnd(), &frame);
  PopupMenu1.Popup(hwnd(), {frame.left + pointer_.x, frame.top + pointer_.y});
}

void TSearchForm::SGsearchDrawCell(HDC dc, platform::GridCell cell, const RECT& area) {
  lists::DrawStatusIcon(status_icons_, results_, dc, cell, area);
}

}  // namespace ozl
