// The extraction's progress dialog: a text, a progress bar and "Cancel", owned by the
// window, which it disables while it is shown. Updates let the window's messages
// through, so that the dialog paints and "Cancel" (or closing it) is seen.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwick::win {

inline constexpr const wchar_t* kProgressClass = L"TarnwickProgress";
inline constexpr int kProgressTextId = 201;
inline constexpr int kProgressBarId = 202;

class ProgressDialog {
 public:
  ProgressDialog(HWND owner, const std::string& title, const std::string& text);
  ~ProgressDialog();
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;

  // Shows the text and percent, handles waiting messages; false once cancelled.
  bool Update(const std::string& text, int percent);
  // Handles waiting messages only.
  bool Update();
  bool Cancelled() const { return cancelled_; }
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND owner_;
  HWND hwnd_ = nullptr;
  HWND text_ = nullptr;
  HWND bar_ = nullptr;
  HFONT font_ = nullptr;
  bool ownerWasEnabled_ = false;
  bool cancelled_ = false;
};

}  // namespace tarnwick::win
