// Test entry: a QApplication on the offscreen platform unless the caller chose another, and the
// scripted dialog service, so that no test can wait on a dialog.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/scripteduiservice.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  fw::UiService::Install(std::make_unique<fw::ScriptedUiService>());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
