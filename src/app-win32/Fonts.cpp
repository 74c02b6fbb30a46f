#include "app-win32/Fonts.h"

#include <cmath>
#include <initializer_list>

namespace tarnwick::win {

namespace {

// A fixed-pitch request makes the font mapper pick another fixed font where the named
// one is missing, so the columns of the session list stay lined up.
HFONT Font(const wchar_t* face, int height, double scale, bool fixed, int weight = FW_NORMAL) {
  const int pixels = static_cast<int>(std::lround(height * scale));
  return ::CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       static_cast<DWORD>(fixed ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS), face);
}

}  // namespace

Fonts::~Fonts() { Release(); }

void Fonts::Release() {
  for (HFONT* font : {&base, &list, &grid, &value}) {
    if (*font != nullptr) ::DeleteObject(*font);
    *font = nullptr;
  }
}

void Fonts::Create(double scale) {
  Release();
  base = Font(L"MS Sans Serif", 11, scale, false);
  list = Font(L"Courier New", 12, scale, true);
  grid = Font(L"Courier New", 11, scale, true);
  value = Font(L"Tahoma", 11, scale, false, FW_BOLD);
}

}  // namespace tarnwick::win
