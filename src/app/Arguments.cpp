#include "app/Arguments.h"

#include <QFile>
#include <exception>

#include "app/Dialogs.h"
#include "browse/MountImages.h"

namespace tarnwick::app {

int MountArguments(const QStringList& arguments, IDialogs& dialogs) {
  int added = 0;
  for (const QString& argument : arguments) {
    try {
      // One at a time, so that an argument that fails does not keep the later ones out.
      added += static_cast<int>(MountImages({QFile::encodeName(argument).toStdString()}).size());
    } catch (const std::exception& e) {
      dialogs.ShowMessage(nullptr, QString::fromStdString(e.what()));
    }
  }
  return added;
}

}  // namespace tarnwick::app
