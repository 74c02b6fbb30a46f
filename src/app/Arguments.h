// Program arguments: every argument names a disc description or an image file, which
// becomes a virtual drive after the real drives, in the order given.
#pragma once

#include <QStringList>

namespace tarnwick::app {

class IDialogs;

// Mounts each argument as a virtual drive; an argument that cannot be opened is shown
// in a message box and skipped. Returns the number of drives added.
int MountArguments(const QStringList& arguments, IDialogs& dialogs);

}  // namespace tarnwick::app
