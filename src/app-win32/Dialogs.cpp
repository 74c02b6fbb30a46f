#include "app-win32/Dialogs.h"

#include <commctrl.h>
#include <shlobj.h>
#include <commdlg.h>

#include <string>

#include "Version.h"
#include "app-win32/WinText.h"
#include "browse/ImageFiles.h"

namespace tarnwick::win {

namespace {

const std::wstring& Caption() {
  static const std::wstring caption = Wide(kProductName);
  return caption;
}

// Opens the folder browser in the folder it was given.
int CALLBACK StartIn(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start != 0) ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

// An item list the shell allocated, freed with the task allocator.
struct ItemList {
  PIDLIST_ABSOLUTE pidl = nullptr;
  ~ItemList() { ::CoTaskMemFree(pidl); }
};

// A task dialog with the program's caption, the information icon, the text and the
// buttons; the identifier of the button pressed (IDCANCEL when it was closed or failed).
int AskWithButtons(HWND owner, const std::string& text, const TASKDIALOG_BUTTON* buttons, UINT count,
                   int defaultButton, TASKDIALOG_COMMON_BUTTON_FLAGS common) {
  const std::wstring content = Wide(text);
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.dwCommonButtons = common;
  config.pszWindowTitle = Caption().c_str();
  config.pszMainIcon = TD_INFORMATION_ICON;
  config.pszContent = content.c_str();
  config.cButtons = count;
  config.pButtons = buttons;
  config.nDefaultButton = defaultButton;
  int pressed = IDCANCEL;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return IDCANCEL;
  return pressed;
}

}  // namespace

std::string SystemDialogs::ChooseDirectory(HWND owner, const std::string& title, const std::string& start) {
  // The system's folder browser: the tree of drives and folders, with the title above.
  const std::wstring wideTitle = Wide(title);
  const std::wstring wideStart = Wide(start);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = &StartIn;
  info.lParam = wideStart.empty() ? 0 : reinterpret_cast<LPARAM>(wideStart.c_str());
  ItemList picked;
  picked.pidl = ::SHBrowseForFolderW(&info);
  if (picked.pidl == nullptr) return {};
  std::wstring path(MAX_PATH + 1, L'\0');
  if (!::SHGetPathFromIDListW(picked.pidl, path.data())) return {};
  path.resize(path.find(L'\0'));
  return Narrow(path);
}

std::string SystemDialogs::ChooseImage(HWND owner, const std::string& start) {
  // The same kinds as the other window's filter: all images together, each kind, all
  // files; each entry is its text and its patterns, NUL-separated.
  std::wstring filter, all;
  for (const TImageFileType& type : ImageFileTypes()) {
    std::wstring patterns;
    for (const std::string& extension : type.extensions) {
      if (!patterns.empty()) patterns += L";";
      patterns += L"*." + Wide(extension);
    }
    if (!all.empty()) all += L";";
    all += patterns;
    filter += Wide(type.description) + L'\0' + patterns + L'\0';
  }
  filter = L"Disc images" + std::wstring(1, L'\0') + all + L'\0' + filter + L"All files" + L'\0' + L"*.*" + L'\0';
  std::wstring file(32768, L'\0');
  const std::wstring folder = Wide(start);
  OPENFILENAMEW open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = owner;
  open.lpstrFilter = filter.c_str();
  open.lpstrFile = file.data();
  open.nMaxFile = static_cast<DWORD>(file.size());
  open.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  open.lpstrTitle = L"Open image";
  open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!::GetOpenFileNameW(&open)) return {};
  file.resize(file.find(L'\0'));
  return Narrow(file);
}

TOverwriteAnswer SystemDialogs::AskOverwrite(HWND owner, const std::string& path) {
  enum { kReplace = 100, kSkip, kReplaceAll };
  const TASKDIALOG_BUTTON buttons[] = {{kReplace, L"Replace"}, {kSkip, L"Skip"}, {kReplaceAll, L"Replace all"}};
  const int pressed = AskWithButtons(owner, path + "\nexists. Replace it?", buttons,
                                     static_cast<UINT>(std::size(buttons)), kSkip, TDCBF_CANCEL_BUTTON);
  switch (pressed) {
    case kReplace:
      return TOverwriteAnswer::Replace;
    case kSkip:
      return TOverwriteAnswer::Skip;
    case kReplaceAll:
      return TOverwriteAnswer::ReplaceAll;
    default:
      return TOverwriteAnswer::Cancel;
  }
}

TLinksAnswer SystemDialogs::AskLinks(HWND owner, const std::string& question) {
  enum { kCreate = 100, kSkip };
  const std::wstring create = Wide(kCreateLinksText), skip = Wide(kSkipLinksText);
  const TASKDIALOG_BUTTON buttons[] = {{kCreate, create.c_str()}, {kSkip, skip.c_str()}};
  const int pressed = AskWithButtons(owner, question, buttons, static_cast<UINT>(std::size(buttons)), kSkip, 0);
  return pressed == kCreate ? TLinksAnswer::Create : TLinksAnswer::Skip;
}

void SystemDialogs::ShowMessage(HWND owner, const std::string& text) {
  ::MessageBoxW(owner, Wide(text).c_str(), Caption().c_str(), MB_OK | MB_ICONINFORMATION);
}

void SystemDialogs::ShowWarning(HWND owner, const std::string& text) {
  ::MessageBoxW(owner, Wide(text).c_str(), Caption().c_str(), MB_OK | MB_ICONWARNING);
}

}  // namespace tarnwick::win
