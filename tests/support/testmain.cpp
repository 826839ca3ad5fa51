// Test entry: a QApplication on the offscreen platform unless the caller chose another, and the
// scripted dialog service, so that no test can wait on a dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryFile>

#include "scripteduiservice.h"

namespace {
// The offscreen platform's own screen is 800 x 600, smaller than the main window may be; the
// tests run on a desktop's screen, the size the end-to-end test's X server has.
constexpr char kDesktopScreen[] =
    R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1280, "height": 1024,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
}  // namespace

int main(int argc, char** argv) {
  QTemporaryFile screens;
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if ((platform.isEmpty() || platform == "offscreen") && screens.open() && screens.write(kDesktopScreen) > 0 &&
      screens.flush())
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
  else if (platform.isEmpty())
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
