// What the window shows of a session, chosen in both context menus and remembered
// between runs: "Show deleted files" (deleted entries in grey, with the tooltip that
// says so) and "Names" (which names an import shows). A change imports the shown
// session again.
#include "app-win32/Form1.h"
#include "app-win32/Settings.h"
#include "app-win32/WinText.h"
#include "browse/DeletedEntries.h"
#include "browse/Extraction.h"
#include "browse/NameChoice.h"

namespace tarnwick::win {

namespace {

constexpr const wchar_t* kShowDeletedKey = L"ShowDeleted";
constexpr const wchar_t* kNamesKey = L"Names";

}  // namespace

void TForm1::LoadViewChoices() {
  ChooseDeletedEntries(quarnb_, ReadSetting(kShowDeletedKey) == "1");
  quarnb_.Names = NameChoiceOf(ReadSetting(kNamesKey)).preference;
}

void TForm1::AppendViewItems(HMENU menu) const {
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING | (quarnb_.ImportDeleted ? MF_CHECKED : MF_UNCHECKED), kShowDeleted,
                Wide(kShowDeletedText).c_str());
  const HMENU names = ::CreatePopupMenu();
  if (names == nullptr) return;
  const TNameChoice& current = NameChoiceOf(quarnb_.Names);
  for (std::size_t i = 0; i < NameChoices().size(); ++i) {
    const TNameChoice& choice = NameChoices()[i];
    ::AppendMenuW(names, MF_STRING, kNamesFirst + i, Wide(choice.label).c_str());
    if (&choice == &current) {
      MENUITEMINFOW radio{};
      radio.cbSize = sizeof radio;
      radio.fMask = MIIM_FTYPE | MIIM_STATE;
      radio.fType = MFT_STRING | MFT_RADIOCHECK;
      radio.fState = MFS_CHECKED;
      ::SetMenuItemInfoW(names, static_cast<UINT>(kNamesFirst + i), FALSE, &radio);
    }
  }
  // The submenu is destroyed with the menu it belongs to.
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(names), Wide(kNamesMenuText).c_str());
}

void TForm1::ShowDeletedClick() {
  const bool show = !quarnb_.ImportDeleted;
  WriteSetting(kShowDeletedKey, show ? "1" : "0");
  ChooseDeletedEntries(quarnb_, show);
  ReimportShownSession();
}

void TForm1::NamesClick(std::size_t choice) {
  if (choice >= NameChoices().size()) return;
  const TNameChoice& chosen = NameChoices()[choice];
  WriteSetting(kNamesKey, chosen.word);
  if (quarnb_.Names == chosen.preference) return;
  quarnb_.Names = chosen.preference;
  ReimportShownSession();
}

void TForm1::ReimportShownSession() {
  // Only a session whose tree is shown, and whose line is still the selected one.
  if (TreeView_GetRoot(Control(kTree)) == nullptr) return;
  if (::SendMessageW(Control(kSessions), LB_GETCURSEL, 0, 0) == LB_ERR) return;
  lbDblClick();
}

LRESULT TForm1::DrawDeleted(NMCUSTOMDRAW& draw, bool tree) const {
  if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  // A node stands for a directory record; its entry in the parent carries the mark.
  const TFEntry* entry = tree ? EntryOfDirectory(reinterpret_cast<const TDEntry*>(draw.lItemlParam))
                              : reinterpret_cast<const TFEntry*>(draw.lItemlParam);
  if (entry == nullptr || !IsDeletedEntry(*entry)) return CDRF_DODEFAULT;
  const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT);
  if (tree)
    reinterpret_cast<NMTVCUSTOMDRAW&>(draw).clrText = grey;
  else
    reinterpret_cast<NMLVCUSTOMDRAW&>(draw).clrText = grey;
  return CDRF_NEWFONT;
}

}  // namespace tarnwick::win
