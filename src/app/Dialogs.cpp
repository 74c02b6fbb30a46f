#include "app/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace tarnwick::app {

QString QtDialogs::ChooseDirectory(QWidget* parent) {
  return QFileDialog::getExistingDirectory(parent, QString(), QString());
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
}

}  // namespace tarnwick::app
