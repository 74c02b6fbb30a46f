// Unreadable data in the window: the question an extraction asks, the list of files
// kept with zeros, and "Check session", which reads every file and writes nothing.
#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>

#include "Version.h"
#include "app-win32/Dialogs.h"
#include "app-win32/Form1.h"
#include "app-win32/ProgressDialog.h"
#include "app-win32/WinText.h"
#include "browse/DamagedFiles.h"

namespace tarnwick::win {

TUnreadableAnswer SystemDialogs::AskUnreadable(HWND owner, const std::string& name, const std::string& error) {
  // Button identifiers are the answers' values above the common ones.
  constexpr int kFirst = 100;
  const TASKDIALOG_BUTTON buttons[] = {
      {kFirst + static_cast<int>(TUnreadableAnswer::KeepFilled), L"Keep a copy with zeros"},
      {kFirst + static_cast<int>(TUnreadableAnswer::Skip), L"Skip the file"},
      {kFirst + static_cast<int>(TUnreadableAnswer::Stop), L"Stop"}};
  const std::wstring caption = Wide(kProductName);
  const std::wstring text = Wide(name + "\ncannot be read whole:\n" + error);
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.pszWindowTitle = caption.c_str();
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszContent = text.c_str();
  config.cButtons = static_cast<UINT>(std::size(buttons));
  config.pButtons = buttons;
  config.nDefaultButton = kFirst + static_cast<int>(TUnreadableAnswer::Skip);  // skipping harms nothing
  int pressed = 0;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return TUnreadableAnswer::Stop;
  if (pressed == kFirst + static_cast<int>(TUnreadableAnswer::KeepFilled)) return TUnreadableAnswer::KeepFilled;
  if (pressed == kFirst + static_cast<int>(TUnreadableAnswer::Skip)) return TUnreadableAnswer::Skip;
  return TUnreadableAnswer::Stop;
}

void TForm1::ShowDamaged(const TExtractionOutcome& outcome) {
  if (outcome.damaged.empty()) return;
  dialogs_->ShowMessage(hwnd_, "Kept with zeros where the disc could not be read:\n" + DamagedFilesText(outcome.damaged));
}

void TForm1::CheckSessionClick() {
  if (quarnb_.Root() == nullptr) return;
  TCheckOutcome outcome;
  {
    ProgressDialog progress(hwnd_, "Checking", "");
    outcome = CheckSession(quarnb_, [&](const TCheckProgress& step) {
      const int percent = step.filesTotal ? static_cast<int>(step.filesDone * 100 / step.filesTotal) : 100;
      return progress.Update(CheckProgressText(step), percent);
    });
  }
  const std::string summary = CheckSummary(outcome);
  ::SetWindowTextW(Control(kHint), Wide(summary.substr(0, summary.find('\n'))).c_str());
  dialogs_->ShowMessage(hwnd_, summary);
}

}  // namespace tarnwick::win
