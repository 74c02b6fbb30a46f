#include "app-win32/Dialogs.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "Version.h"
#include "app-win32/WinText.h"
#include "browse/ImageFiles.h"

namespace tarnwick::win {

namespace {

// A COM interface pointer released when it goes out of scope.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// A string the shell allocated, freed with the task allocator.
class ShellText {
 public:
  ~ShellText() { ::CoTaskMemFree(text_); }
  PWSTR* out() { return &text_; }
  std::wstring str() const { return text_ != nullptr ? std::wstring(text_) : std::wstring(); }

 private:
  PWSTR text_ = nullptr;
};

const std::wstring& Caption() {
  static const std::wstring caption = Wide(kProductName);
  return caption;
}

// Shows an item dialog (folders only, or files with filters) and gives the picked
// path; "" when the user cancels or the dialog cannot be shown.
std::string PickWithItemDialog(HWND owner, const std::string& title, const std::string& start, bool folders,
                               const std::vector<COMDLG_FILTERSPEC>& filters) {
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(dialog.out())))) {
    return {};
  }
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  options |= FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | (folders ? FOS_PICKFOLDERS : FOS_FILEMUSTEXIST);
  dialog->SetOptions(options);
  if (!title.empty()) dialog->SetTitle(Wide(title).c_str());
  if (!filters.empty()) dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data());
  if (!start.empty()) {
    ComPtr<IShellItem> folder;
    if (SUCCEEDED(::SHCreateItemFromParsingName(Wide(start).c_str(), nullptr, IID_IShellItem,
                                                reinterpret_cast<void**>(folder.out())))) {
      dialog->SetFolder(folder.get());
    }
  }
  if (FAILED(dialog->Show(owner))) return {};
  ComPtr<IShellItem> picked;
  if (FAILED(dialog->GetResult(picked.out()))) return {};
  ShellText path;
  if (FAILED(picked->GetDisplayName(SIGDN_FILESYSPATH, path.out()))) return {};
  return Narrow(path.str());
}

}  // namespace

std::string SystemDialogs::ChooseDirectory(HWND owner, const std::string& title, const std::string& start) {
  return PickWithItemDialog(owner, title, start, true, {});
}

std::string SystemDialogs::ChooseImage(HWND owner, const std::string& start) {
  // The same kinds as the other window's filter: all images together, each kind, all files.
  std::vector<std::wstring> texts;
  std::wstring all;
  for (const TImageFileType& type : ImageFileTypes()) {
    std::wstring patterns;
    for (const std::string& extension : type.extensions) {
      if (!patterns.empty()) patterns += L";";
      patterns += L"*." + Wide(extension);
    }
    if (!all.empty()) all += L";";
    all += patterns;
    texts.push_back(Wide(type.description));
    texts.push_back(patterns);
  }
  texts.insert(texts.begin(), {L"Disc images", all});
  texts.push_back(L"All files");
  texts.push_back(L"*.*");
  std::vector<COMDLG_FILTERSPEC> filters;
  for (std::size_t i = 0; i + 1 < texts.size(); i += 2) filters.push_back({texts[i].c_str(), texts[i + 1].c_str()});
  return PickWithItemDialog(owner, "Open image", start, false, filters);
}

TOverwriteAnswer SystemDialogs::AskOverwrite(HWND owner, const std::string& path) {
  enum { kReplace = 100, kSkip, kReplaceAll };
  const TASKDIALOG_BUTTON buttons[] = {{kReplace, L"Replace"}, {kSkip, L"Skip"}, {kReplaceAll, L"Replace all"}};
  const std::wstring text = Wide(path + "\nexists. Replace it?");
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
  config.pszWindowTitle = Caption().c_str();
  config.pszMainIcon = TD_INFORMATION_ICON;
  config.pszContent = text.c_str();
  config.cButtons = static_cast<UINT>(std::size(buttons));
  config.pButtons = buttons;
  config.nDefaultButton = kSkip;
  int pressed = IDCANCEL;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return TOverwriteAnswer::Cancel;
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

void SystemDialogs::ShowMessage(HWND owner, const std::string& text) {
  ::MessageBoxW(owner, Wide(text).c_str(), Caption().c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace tarnwick::win
