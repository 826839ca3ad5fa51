#include "app/startup.h"

#include <QFile>
#include <cstdlib>
#include <exception>
#include <memory>
#include <unistd.h>

#include "app/app.h"
#include "app/menubar1.h"
#include "platform/system/application.h"
#include "platform/system/exceptions.h"
#include "platform/system/folderitem.h"
#include "platform/system/instancelock.h"
#include "platform/controls/menubar.h"
#include "platform/dialogs/uiservice.h"
#include "store/filetypes1.h"
#include "store/module1.h"
#include "window/window1.h"

using namespace fw;

namespace {
std::unique_ptr<App> theApp;

// Dot-prefixed, so that it can never be a Section's file.
const QString kLockName = QStringLiteral(".tavrin.lock");
// How long a second start waits for the running program to come to the front, or to let the
// folder go: one that is closing saves first, and a long Section takes its time.
constexpr int kReachHolderMs = 30000;

void BringMainWindowToFront() {
  if (Window* w = GetImplicitWindow(QStringLiteral("Window1"))) w->BringToFront();
}

// The lock file to remove when the program ends by std::terminate (an exception out of a handler
// that nothing wraps, or out of a noexcept frame): the next start then finds the folder free
// instead of judging a stale lock. Kept as bytes so that the handler needs nothing but unlink.
QByteArray g_lockFileToRemove;
std::terminate_handler g_previousTerminate = nullptr;

[[noreturn]] void RemoveLockAndTerminate() {
  if (!g_lockFileToRemove.isEmpty()) ::unlink(g_lockFileToRemove.constData());
  if (g_previousTerminate) g_previousTerminate();
  std::abort();
}
}  // namespace

int RunHoldingLock(InstanceLock* lock, const std::function<int()>& run) {
  if (lock) {
    g_lockFileToRemove = QFile::encodeName(lock->LockPath());
    g_previousTerminate = std::set_terminate(&RemoveLockAndTerminate);
  }
  int status = 1;
  try {
    status = run();
  } catch (...) {
    // Out of the event loop itself: told like any handler's failure, and the lock goes with the end.
    UnhandledException(std::current_exception());
    status = 1;
  }
  if (lock) {
    std::set_terminate(g_previousTerminate);
    g_lockFileToRemove.clear();
    lock->Release();
  }
  return status;
}

void InitFileTypes() { FileTypes1::Initialize(); }

void NewAppInstance() {
  theApp = std::make_unique<App>();
  NilCheck(theApp.get(), "App");
  SetMenuBarAccessor([]() -> MenuBar* { return MenuBar1::MenuBar1_(); });
  theApp->SetMenuBar(MenuBar1::MenuBar1_());
  Application::RegisterAppObject(theApp.get());
}

void ApplicationAddMenuHandlers() {
  struct Row { const char* item; bool (App::*handler)(); };
  const Row rows[] = {{"CheckforUpdateCheckNow", &App::CheckforUpdateCheckNow_Action},
                      {"HelpShow", &App::HelpShow_Action},
                      {"HelpAbout", &App::HelpAbout_Action},
                      {"FilePageSetup", &App::FilePageSetup_Action},
                      {"FilePrintHelp", &App::FilePrintHelp_Action},
                      {"FilePrintSelectedText", &App::FilePrintSelectedText_Action},
                      {"FilePrintSelectedSection", &App::FilePrintSelectedSection_Action},
                      {"EditPasteSpecial", &App::EditPasteSpecial_Action}};
  for (const Row& r : rows) {
    App* app = NilCheck(App_(), "App");
    app->AddMenuHandler(QString::fromLatin1(r.item), [app, h = r.handler] { return (app->*h)(); });
  }
}

void MakeDefaultView() { Window1::Window1_(); }

void Startup() {
  // The plug-in classes (bevel buttons, the clipboard) are part of the framework layer here.
  InitFileTypes();
  NewAppInstance();
  ApplicationAddMenuHandlers();
  MakeDefaultView();
}

void ReleaseModuleState() {
  for (Window* w : OpenWindows()) delete w;
  Application::RegisterAppObject(nullptr);
  theApp.reset();
  SetMenuBarAccessor(nullptr);
  MenuBar1::Release();
}

int Main() {
  // One program per data folder, taken before anything in it is read or written; the folder is
  // made here on a first run so that it can be locked. A second start writes nothing: it hands
  // over to the running program.
  std::unique_ptr<InstanceLock> lock;
  InstanceLock::State state = InstanceLock::State::NotLockable;
  if (FolderItemPtr folder = Module1::dataFolder(); folder && folder->Exists()) {
    lock = std::make_unique<InstanceLock>(folder->NativePath(), kLockName);
    state = lock->Acquire(&BringMainWindowToFront);
    if (state == InstanceLock::State::HeldByAnother) {
      // The holder comes to the front, or it is closing (or gone, its process id taken by another
      // program of the same name) and the folder becomes this run's. Only a lock file no program
      // holds any more is taken over. The message names no lock file: it is shown only while a
      // program holds the lock, and removing it then would let two programs write one folder.
      state = lock->ReachHolder(kReachHolderMs);
      if (state == InstanceLock::State::Raised) return 0;
      if (state != InstanceLock::State::Locked) {
        MsgBox(QStringLiteral("Tavrin is already running with the data folder \"") + folder->DisplayPath() +
               QStringLiteral("\". Only one Tavrin can work on a data folder at a time."));
        return 1;
      }
    }
  }
  // A lock file this run could not make (a read-only folder) is not this run's to remove.
  InstanceLock* held = state == InstanceLock::State::Locked ? lock.get() : nullptr;
  const int status = RunHoldingLock(held, [] { return RunApplication(&Startup); });
  ReleaseModuleState();
  return status;
}
