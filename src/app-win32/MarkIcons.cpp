#include "app-win32/MarkIcons.h"

namespace tarnwick::win {

MarkIcons::~MarkIcons() {
  if (list_ != nullptr) ::ImageList_Destroy(list_);
}

HIMAGELIST MarkIcons::Create() {
  if (list_ != nullptr) return list_;
  HICON warning = nullptr;
  if (FAILED(::LoadIconMetric(nullptr, IDI_WARNING, LIM_SMALL, &warning)) || warning == nullptr) return nullptr;
  const int width = ::GetSystemMetrics(SM_CXSMICON), height = ::GetSystemMetrics(SM_CYSMICON);
  list_ = ::ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 2, 0);
  // State image 0 means none: the list's first image is never drawn.
  if (list_ != nullptr && (::ImageList_AddIcon(list_, warning) != 0 || ::ImageList_AddIcon(list_, warning) != kWarning)) {
    ::ImageList_Destroy(list_);
    list_ = nullptr;
  }
  ::DestroyIcon(warning);
  return list_;
}

}  // namespace tarnwick::win
