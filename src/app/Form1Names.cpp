// "Names": the submenu of both context menus that chooses which names an import shows
// (automatic, Joliet, Rock Ridge, ISO 9660, UDF), remembered between runs; a change
// imports the shown session again.
#include <QAction>
#include <QActionGroup>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QTreeWidget>
#include <memory>

#include "app/Form1.h"
#include "browse/NameChoice.h"

namespace tarnwick::app {
namespace {

const QString kNamesKey = QStringLiteral("view/names");

}  // namespace

void TForm1::CreateNamesMenu() {
  NamesMenu = TreeMenu->addMenu(QString::fromLatin1(kNamesMenuText));  // owned by the menu
  NamesMenu->setObjectName(QStringLiteral("NamesMenu"));
  QActionGroup* group = std::make_unique<QActionGroup>(NamesMenu).release();  // owned by the submenu
  group->setExclusive(true);
  const TNameChoice& chosen = NameChoiceOf(QSettings().value(kNamesKey).toString().toStdString());
  quarnb_.Names = chosen.preference;
  for (const TNameChoice& choice : NameChoices()) {
    QAction* action = NamesMenu->addAction(QString::fromLatin1(choice.label));
    action->setObjectName(QStringLiteral("Names_") + QString::fromLatin1(choice.word));
    action->setData(QString::fromLatin1(choice.word));
    action->setCheckable(true);
    action->setChecked(&choice == &chosen);
    group->addAction(action);
  }
  GridMenu->addMenu(NamesMenu);
  connect(group, &QActionGroup::triggered, this, [this](const QAction* action) { NamesClick(action); });
}

void TForm1::NamesClick(const QAction* chosen) {
  const TNameChoice& choice = NameChoiceOf(chosen->data().toString().toStdString());
  QSettings().setValue(kNamesKey, QString::fromLatin1(choice.word));
  if (quarnb_.Names == choice.preference) return;
  quarnb_.Names = choice.preference;
  ReimportShownSession();
}

void TForm1::ReimportShownSession() {
  const QListWidgetItem* line = lb->currentItem();
  if (tvDir->topLevelItemCount() > 0 && line != nullptr && line->isSelected()) lbDblClick();
}

}  // namespace tarnwick::app
