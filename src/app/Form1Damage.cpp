// Unreadable data in the window: the question an extraction asks, the list of files
// kept with zeros, and "Check session", which reads every file and writes nothing.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <utility>
#include <vector>

#include "app/Dialogs.h"
#include "app/Form1.h"
#include "browse/DamagedFiles.h"
#include "browse/Extraction.h"

namespace tarnwick::app {

TUnreadableAnswer QtDialogs::AskUnreadable(QWidget* parent, const QString& name, const QString& error) {
  QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(),
                  name + QStringLiteral("\ncannot be read whole:\n") + error, QMessageBox::NoButton, parent);
  const struct {
    const char* text;
    QMessageBox::ButtonRole role;
    TUnreadableAnswer answer;
  } choices[] = {{"Keep a copy with zeros", QMessageBox::AcceptRole, TUnreadableAnswer::KeepFilled},
                 {"Skip the file", QMessageBox::ActionRole, TUnreadableAnswer::Skip},
                 {"Stop", QMessageBox::RejectRole, TUnreadableAnswer::Stop}};
  std::vector<std::pair<QPushButton*, TUnreadableAnswer>> buttons;
  for (const auto& choice : choices) buttons.emplace_back(box.addButton(QString::fromLatin1(choice.text), choice.role), choice.answer);
  box.setDefaultButton(buttons[1].first);  // skipping harms nothing
  box.setEscapeButton(buttons[2].first);
  box.exec();
  for (const auto& [button, answer] : buttons)
    if (box.clickedButton() == button) return answer;
  return TUnreadableAnswer::Stop;
}

void TForm1::AddCheckSessionAction() {
  QAction* check = TreeMenu->addAction(QStringLiteral("Check session"));
  check->setObjectName(QStringLiteral("CheckSession"));
  connect(check, &QAction::triggered, this, [this] { CheckSessionClick(); });
}

void TForm1::AskAboutUnreadable(TExtraction& extraction) {
  extraction.onUnreadable = [this](const std::string& name, const std::string& error) {
    return dialogs_->AskUnreadable(this, QFile::decodeName(name.c_str()), QString::fromStdString(error));
  };
}

void TForm1::ShowDamaged(const TExtractionOutcome& outcome) {
  if (outcome.damaged.empty()) return;
  dialogs_->ShowMessage(this, QStringLiteral("Kept with zeros where the disc could not be read:\n") +
                                  QString::fromStdString(DamagedFilesText(outcome.damaged)));
}

void TForm1::CheckSessionClick() {
  if (quarnb_.Root() == nullptr) return;
  QProgressDialog progress(this);
  progress.setObjectName(QStringLiteral("CheckProgress"));
  progress.setWindowTitle(QStringLiteral("Checking"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  const TCheckOutcome outcome = CheckSession(quarnb_, [&](const TCheckProgress& step) {
    progress.setRange(0, static_cast<int>(std::min<std::uint64_t>(step.filesTotal, INT32_MAX)));
    progress.setValue(static_cast<int>(std::min<std::uint64_t>(step.filesDone, INT32_MAX)));
    progress.setLabelText(QString::fromStdString(CheckProgressText(step)));
    QCoreApplication::processEvents();
    return !progress.wasCanceled();
  });
  progress.close();
  const QString summary = QString::fromStdString(CheckSummary(outcome));
  lHint->setText(summary.section(QLatin1Char('\n'), 0, 0));
  lHint->setToolTip(summary);
  dialogs_->ShowMessage(this, summary);
}

}  // namespace tarnwick::app
