#include "app-win32/GridTypeAhead.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app-win32/WinText.h"
#include "browse/GridSearch.h"
#include "iso/Records.h"

namespace tarnwick::win {

namespace {

// Keys typed within this time of each other add up to one name.
constexpr DWORD kTypingPause = 1000;

struct Typing {
  std::wstring typed;
  DWORD lastKey = 0;
};

LRESULT CALLBACK GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* typing = reinterpret_cast<Typing*>(data);
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(grid, &GridProc, 1);
    const std::unique_ptr<Typing> owned(typing);  // made by AttachTypeAhead, owned by the subclass
    return ::DefSubclassProc(grid, message, wParam, lParam);
  }
  if (message != WM_CHAR || wParam < L' ' || wParam == 0x7F) return ::DefSubclassProc(grid, message, wParam, lParam);

  const DWORD now = static_cast<DWORD>(::GetMessageTime());
  const bool fresh = typing->typed.empty() || now - typing->lastKey > kTypingPause;
  typing->lastKey = now;
  typing->typed = fresh ? std::wstring(1, static_cast<wchar_t>(wParam)) : typing->typed + static_cast<wchar_t>(wParam);

  std::vector<std::string> names;
  const int count = ListView_GetItemCount(grid);
  for (int r = 0; r < count; ++r) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = r;
    const TFEntry* entry = ListView_GetItem(grid, &item) ? reinterpret_cast<const TFEntry*>(item.lParam) : nullptr;
    names.push_back(entry != nullptr ? entry->LongName : std::string());
  }
  // A new name starts after the current row, so the same key steps through the rows
  // starting with it; a longer name may still match the current row.
  const int current = ListView_GetNextItem(grid, -1, LVNI_FOCUSED);
  const int row = RowStartingWith(names, Narrow(typing->typed), current + (typing->typed.size() == 1 ? 1 : 0));
  if (row >= 0) {
    ListView_SetItemState(grid, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(grid, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(grid, row, FALSE);
  }
  return 0;
}

}  // namespace

void AttachTypeAhead(HWND grid) {
  // The subclass owns its state and frees it when the grid goes away.
  auto typing = std::make_unique<Typing>();
  if (::SetWindowSubclass(grid, &GridProc, 1, reinterpret_cast<DWORD_PTR>(typing.get()))) typing.release();
}

}  // namespace tarnwick::win
