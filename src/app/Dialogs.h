// The dialogs the window opens besides itself: the directory chooser and plain message
// boxes. Tests put their own implementation in place of the toolkit's dialogs.
#pragma once

#include <QString>

class QWidget;

namespace tarnwick::app {

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // The directory the user picked, or an empty text when the user cancelled.
  virtual QString ChooseDirectory(QWidget* parent) = 0;
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
};

// The toolkit's directory dialog (no initial directory) and message box.
class QtDialogs : public IDialogs {
 public:
  QString ChooseDirectory(QWidget* parent) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
};

}  // namespace tarnwick::app
