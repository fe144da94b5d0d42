// The history viewer: a correspondent's history file in the embedded browser. Made hidden at the
// start and only hidden when closed; the loaded page stays until the next history is opened.
#pragma once

#include <string>

#include "windows/browser_form.h"

namespace ozl {

class TUserHistoryForm : public BrowserForm {
 public:
  TUserHistoryForm() : BrowserForm(L"SKIN_HISTORY", "TUserHistoryForm") {}

  // Shows the window on top and loads the history file at `path` (Windows-1251). The file shows
  // as it is now: rows written later appear when the history is opened again.
  void ShowHistory(const std::string& path);
};

}  // namespace ozl
