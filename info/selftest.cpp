#include "info/selftest.h"

#include <QPointer>

#include "info/updatewindow.h"
#include "platform/system/application.h"
#include "platform/system/exceptions.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/statictext.h"

using namespace fw;

selfTest::selfTest() : Window(QStringLiteral("selfTest")) {}

selfTest* selfTest::selfTest_() { return ImplicitWindow<selfTest>(QStringLiteral("selfTest")); }

void selfTest::Layout() {
  SetProperties(FixedWindow(QStringLiteral("Self Test"), 212, 102));
}

void selfTest::CreateControls() { CreateControls0(); }

void selfTest::CreateControls0() {
  auto* label = New<StaticText>("StaticText1", TabStopAt(36, 20, 67, 20, true, 0));
  label->SetText(QStringLiteral("Version:"));
  label->SetTextAlign(0);

  auto* version = New<StaticText>("StaticText2", TabStopAt(106, 20, 71, 20, false, 1));
  version->SetText(QStringLiteral("1.7.0 Intel"));
  version->SetTextAlign(2);
  version->InstallHandler("Open", [this] { StaticText2_Open(); });

  auto* check = New<PushButton>("PushButton1", TabStopAt(28, 61, 157, 21, true, 2));
  check->SetCaption(QStringLiteral("Check for Updates"));
  check->SetDefault(true);
  check->InstallHandler("Action", [this] { PushButton1_Action(); });
}

void selfTest::StaticText2_Open() {
  Control<StaticText>(QStringLiteral("StaticText2")).SetText(Application::Running().LongVersion);
}

void selfTest::PushButton1_Action() {
  // The update window closes this window as it opens; this handler stays suspended until the
  // check ends, on an object that is gone from its class's accessor but not yet destroyed.
  QPointer<selfTest> self(this);
  updateWindow* w = NilCheck(updateWindow::updateWindow_(), "updateWindow");
  w->ShowModal();
  if (self && !self->IsClosing()) self->Close();
}
