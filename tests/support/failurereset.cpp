#include "failurereset.h"

#include <QCoreApplication>
#include <QTimer>

#include "platform/system/application.h"

void RunOutQuitRequest() {
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

void ResetFailure() {
  if (!fw::HasFailed()) return;
  fw::ClearFailure();
  RunOutQuitRequest();
}
