// The window tests run inside one application object on the offscreen platform, in
// the C locale unless a test chooses another.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QLocale::setDefault(QLocale::c());
  // Settings the window keeps (the chooser's folders) go to a test location of this
  // process alone: CTest runs several test processes at once, and one test clearing
  // or writing the settings must not change what another reads back.
  QStandardPaths::setTestModeEnabled(true);
  QTemporaryDir settingsDir;
  if (settingsDir.isValid()) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
