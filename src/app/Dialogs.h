// The dialogs the window opens besides itself: the directory chooser, the image file
// chooser, the question about an existing file, and plain message boxes. Tests put
// their own implementation in place of the toolkit's dialogs.
#pragma once

#include <QString>

#include "browse/Extraction.h"

class QWidget;

namespace tarnwick::app {

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // The directory the user picked, or an empty text when the user cancelled. The
  // chooser carries the title and starts in `start` (when not empty).
  virtual QString ChooseDirectory(QWidget* parent, const QString& title, const QString& start) = 0;
  // The image file the user picked (file types as in `filter`), or an empty text.
  virtual QString ChooseImage(QWidget* parent, const QString& filter, const QString& start) = 0;
  // Asked when a destination file exists: Replace, Skip, Replace all or Cancel.
  virtual TOverwriteAnswer AskOverwrite(QWidget* parent, const QString& path) = 0;
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // A message that says something is missing, with the warning icon.
  virtual void ShowWarning(QWidget* parent, const QString& text) = 0;
  // A file holds data that cannot be read: keep a copy with zeros there, skip it, or stop.
  virtual TUnreadableAnswer AskUnreadable(QWidget* parent, const QString& name, const QString& error) = 0;
  // The selection holds symbolic links (the question says how many): create them as
  // the disc records them, or skip them.
  virtual TLinksAnswer AskLinks(QWidget* parent, const QString& question) = 0;
};

// The toolkit's dialogs.
class QtDialogs : public IDialogs {
 public:
  QString ChooseDirectory(QWidget* parent, const QString& title, const QString& start) override;
  QString ChooseImage(QWidget* parent, const QString& filter, const QString& start) override;
  TOverwriteAnswer AskOverwrite(QWidget* parent, const QString& path) override;
  TUnreadableAnswer AskUnreadable(QWidget* parent, const QString& name, const QString& error) override;
  TLinksAnswer AskLinks(QWidget* parent, const QString& question) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
  void ShowWarning(QWidget* parent, const QString& text) override;
};

}  // namespace tarnwick::app
