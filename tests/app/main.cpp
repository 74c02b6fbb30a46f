// The window tests run inside one application object on the offscreen platform, in
// the C locale unless a test chooses another.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  // Two screens side by side: a common desktop's, where the window opens, and an
  // 800 by 600 one to its right.
  QTemporaryDir screensDir;
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  if ((platform.isEmpty() || platform == QStringLiteral("offscreen")) && screensDir.isValid()) {
    QFile screens(screensDir.filePath(QStringLiteral("screens.json")));
    if (screens.open(QIODevice::WriteOnly)) {
      screens.write(R"({"screens": [
        {"name": "desktop", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1},
        {"name": "small", "x": 1920, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "dpr": 1}]})");
      screens.close();
      qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.fileName()).toLocal8Bit());
    }
  }
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
