// The dialogs the window opens besides itself: the directory chooser, the image file
// chooser, the question about an existing file, and message boxes. Tests put their
// own implementation in place of the system's dialogs. Texts are UTF-8.
#pragma once

#include <windows.h>

#include <string>

#include "browse/Extraction.h"

namespace tarnwick::win {

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // The directory the user picked, or "" when the user cancelled. The chooser carries
  // the title and starts in `start` (when not empty).
  virtual std::string ChooseDirectory(HWND owner, const std::string& title, const std::string& start) = 0;
  // The image file the user picked, or "".
  virtual std::string ChooseImage(HWND owner, const std::string& start) = 0;
  // Asked when a destination file exists: Replace, Skip, Replace all or Cancel.
  virtual TOverwriteAnswer AskOverwrite(HWND owner, const std::string& path) = 0;
  virtual void ShowMessage(HWND owner, const std::string& text) = 0;
  // A message that says something is missing, with the warning icon.
  virtual void ShowWarning(HWND owner, const std::string& text) = 0;
  // A file holds data that cannot be read: keep a copy with zeros there, skip it, or stop.
  virtual TUnreadableAnswer AskUnreadable(HWND owner, const std::string& name, const std::string& error) = 0;
  // The selection holds symbolic links (the question says how many): create them as
  // the disc records them, or skip them.
  virtual TLinksAnswer AskLinks(HWND owner, const std::string& question) = 0;
};

// The system's dialogs: the folder browser, the open-file dialog, a task dialog with
// four buttons, and message boxes with the system's own button texts.
class SystemDialogs : public IDialogs {
 public:
  std::string ChooseDirectory(HWND owner, const std::string& title, const std::string& start) override;
  std::string ChooseImage(HWND owner, const std::string& start) override;
  TOverwriteAnswer AskOverwrite(HWND owner, const std::string& path) override;
  void ShowMessage(HWND owner, const std::string& text) override;
  void ShowWarning(HWND owner, const std::string& text) override;
  TUnreadableAnswer AskUnreadable(HWND owner, const std::string& name, const std::string& error) override;
  TLinksAnswer AskLinks(HWND owner, const std::string& question) override;
};

}  // namespace tarnwick::win
