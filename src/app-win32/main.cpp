// The program: the window on the drives found, plus a virtual drive for every disc
// description or image file named on the command line.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <memory>

#include "app-win32/Dialogs.h"
#include "app-win32/Form1.h"
#include "app-win32/WinText.h"
#include "browse/MountImages.h"
#include "transport/Transport.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  // The choosers are COM objects of the shell, made on this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  auto dialogs = std::make_shared<tarnwick::win::SystemDialogs>();

  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  for (int i = 1; arguments != nullptr && i < count; ++i) {
    // One at a time, so that an argument that fails does not keep the later ones out.
    try {
      tarnwick::MountImages({tarnwick::win::Narrow(arguments[i])});
    } catch (const std::exception& e) {
      dialogs->ShowMessage(nullptr, e.what());
    }
  }
  if (arguments != nullptr) ::LocalFree(arguments);

  int status = 0;
  {
    tarnwick::win::TForm1 form(dialogs, true);
    if (form.hwnd() == nullptr) return 1;
    form.Show(show);
    MSG message;
    BOOL got;
    while ((got = ::GetMessageW(&message, nullptr, 0, 0)) != 0 && got != -1) {
      // Tab moves between the controls; Enter reaches the window as IDOK.
      if (::IsDialogMessageW(form.hwnd(), &message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    status = got == -1 ? 1 : static_cast<int>(message.wParam);
  }
  // The window and its drive component are gone: release the ASPI library, then close
  // the pass-through volume handles.
  tarnwick::FreeASPI();
  tarnwick::CloseSPTIDrives();
  if (SUCCEEDED(com)) ::CoUninitialize();
  return status;
}
