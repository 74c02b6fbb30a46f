// The window's fonts, deleted with the window: the base font, the fixed-pitch fonts of
// the session list and its heading and of the grid, and the bold value labels' font.
// Heights are character heights in pixels at 96 dots per inch, scaled.
#pragma once

#include <windows.h>

namespace tarnwick::win {

class Fonts {
 public:
  Fonts() = default;
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  void Create(double scale);

  HFONT base = nullptr;   // MS Sans Serif, 11
  HFONT list = nullptr;   // Courier New, 12: session list and its heading
  HFONT grid = nullptr;   // Courier New, 11
  HFONT value = nullptr;  // Tahoma, 11, bold

 private:
  void Release();
};

}  // namespace tarnwick::win
