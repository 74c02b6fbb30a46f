// The program: the window on the drives found, plus a virtual drive for every disc
// description or image file named on the command line.
#include <QApplication>
#include <memory>

#include "Version.h"
#include "app/Arguments.h"
#include "app/Dialogs.h"
#include "app/Form1.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(tarnwick::kProductName));
  QApplication::setApplicationVersion(QString::fromLatin1(tarnwick::kProductVersion));

  auto dialogs = std::make_shared<tarnwick::app::QtDialogs>();
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  tarnwick::app::MountArguments(arguments, *dialogs);

  tarnwick::app::TForm1 form(dialogs);
  form.show();
  return QApplication::exec();
}
