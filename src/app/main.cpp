// The program: the window on the drives found, plus a virtual drive for every disc
// description or image file named on the command line.
#include <QApplication>
#include <memory>

#include "Version.h"
#include "app/Arguments.h"
#include "app/Dialogs.h"
#include "app/Form1.h"
#include "transport/Transport.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QString::fromLatin1(tarnwick::kProductName));
  QApplication::setApplicationName(QString::fromLatin1(tarnwick::kProductName));
  QApplication::setApplicationVersion(QString::fromLatin1(tarnwick::kProductVersion));

  auto dialogs = std::make_shared<tarnwick::app::QtDialogs>();
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  tarnwick::app::MountArguments(arguments, *dialogs);

  int status = 0;
  {
    tarnwick::app::TForm1 form(dialogs);
    form.show();
    status = QApplication::exec();
  }
  // The window and its drive component are gone: release the ASPI library, then close
  // the pass-through volume handles.
  tarnwick::FreeASPI();
  tarnwick::CloseSPTIDrives();
  return status;
}
