#include "app/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tarnwick::app {

QString QtDialogs::ChooseDirectory(QWidget* parent, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, title, start);
}

QString QtDialogs::ChooseImage(QWidget* parent, const QString& filter, const QString& start) {
  return QFileDialog::getOpenFileName(parent, QStringLiteral("Open image"), start, filter);
}

TOverwriteAnswer QtDialogs::AskOverwrite(QWidget* parent, const QString& path) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                  path + QStringLiteral("\nexists. Replace it?"), QMessageBox::NoButton, parent);
  QPushButton* replace = box.addButton(QStringLiteral("Replace"), QMessageBox::AcceptRole);
  QPushButton* skip = box.addButton(QStringLiteral("Skip"), QMessageBox::ActionRole);
  QPushButton* replaceAll = box.addButton(QStringLiteral("Replace all"), QMessageBox::AcceptRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(skip);
  box.setEscapeButton(cancel);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked == replace) return TOverwriteAnswer::Replace;
  if (clicked == replaceAll) return TOverwriteAnswer::ReplaceAll;
  if (clicked == skip) return TOverwriteAnswer::Skip;
  return TOverwriteAnswer::Cancel;
}

TLinksAnswer QtDialogs::AskLinks(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question, QMessageBox::NoButton,
                  parent);
  QPushButton* create = box.addButton(QString::fromLatin1(kCreateLinksText), QMessageBox::AcceptRole);
  QPushButton* skip = box.addButton(QString::fromLatin1(kSkipLinksText), QMessageBox::RejectRole);
  box.setDefaultButton(skip);
  box.setEscapeButton(skip);
  box.exec();
  return box.clickedButton() == create ? TLinksAnswer::Create : TLinksAnswer::Skip;
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
}

void QtDialogs::ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
}

}  // namespace tarnwick::app
