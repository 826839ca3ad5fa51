#include "journalfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "app/startup.h"
#include "failurereset.h"
#include "platform/system/application.h"
#include "platform/controls/window.h"
#include "store/module1.h"
#include "store/prefmodule.h"
#include "window/window1.h"

void JournalTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  preferences_.emplace(dir_.path());
  Module1::ResetState();
  prefModule::ResetState();
  ResetFailure();
  ui().Clear();
}

void JournalTest::TearDown() {
  ReleaseModuleState();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // A Quit of the program with no event loop running leaves Qt's quit request standing.
  RunOutQuitRequest();
  preferences_.reset();
}

fw::ScriptedUiService& JournalTest::ui() { return static_cast<fw::ScriptedUiService&>(fw::UiService::Current()); }

Window1* JournalTest::StartProgram() {
  EXPECT_TRUE(fw::StartApplication(&Startup));
  return dynamic_cast<Window1*>(fw::GetImplicitWindow(QStringLiteral("Window1")));
}

Window1* JournalTest::OpenMainWindow() {
  Window1* w = Window1::Window1_();
  w->Show();
  return w;
}

int JournalTest::CloseProgram() {
  if (fw::Window* w = fw::GetImplicitWindow(QStringLiteral("Window1"))) w->Close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return fw::FinishApplication(0);
}

QString JournalTest::DataPath(const QString& name) const {
  return dir_.path() + QStringLiteral("/Tavrin") + (name.isEmpty() ? QString() : u'/' + name);
}

void JournalTest::MakeDataFolder() { QDir().mkpath(DataPath()); }

void JournalTest::WriteData(const QString& name, const QByteArray& content) {
  MakeDataFolder();
  QFile f(DataPath(name));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(content);
}

QByteArray JournalTest::ReadData(const QString& name) const {
  QFile f(DataPath(name));
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

bool JournalTest::DataExists(const QString& name) const { return QFile::exists(DataPath(name)); }
