#include "platform/system/application.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDrag>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSessionManager>
#include <QTextEdit>
#include <QTimer>

#include "platform/controls/editfield.h"
#include "platform/system/exceptions.h"
#include "platform/controls/menuitem.h"
#include "platform/system/sessioncommit.h"
#include "platform/system/terminationsignals.h"
#include "platform/dialogs/uiservice.h"
#include "platform/controls/window.h"

namespace fw {

namespace {
int g_dispatchDepth = 0;
bool g_failed = false;
bool g_trace = false;
int g_exitStatus = 0;
bool g_quitting = false;
Application* g_app = nullptr;

bool g_terminationPending = false;
bool g_terminating = false;
QDeadlineTimer g_terminationDeadline;
// How often an open dialog is looked for again, and how long the roads that opened dialogs may
// take to return before the Quit runs inside them.
constexpr int kDismissRetryMs = 20;
constexpr int kDismissLimitMs = 3000;
// The dispatch depth at which the innermost running event loop started: a handler that loop
// runs is an outermost one for exceptions, while the depth still tells that handlers run below.
int g_loopBase = 0;

// Unwinds a handler whose nested loop ended the program; not an error of its own.
struct ProgramEnding {};

// A request to save that asks the session manager for the user's turn once at most: every
// message of the save and its question share the one answer.
class AskedOnce : public SessionCommit {
 public:
  explicit AskedOnce(SessionCommit& inner) : inner_(inner) {}
  bool AllowsInteraction() override {
    if (!asked_) allowed_ = inner_.AllowsInteraction();
    asked_ = true;
    return allowed_;
  }
  void Cancel() override {
    cancelled_ = true;
    inner_.Cancel();
  }
  void Release() override { inner_.Release(); }
  bool Interacted() const { return asked_ && allowed_; }
  bool Cancelled() const { return cancelled_; }

 private:
  SessionCommit& inner_;
  bool asked_ = false, allowed_ = false, cancelled_ = false;
};
AskedOnce* g_commit = nullptr;

class QtSessionCommit : public SessionCommit {
 public:
  explicit QtSessionCommit(QSessionManager& manager) : manager_(manager) {}
  bool AllowsInteraction() override { return manager_.allowsInteraction(); }
  void Cancel() override { manager_.cancel(); }
  void Release() override { manager_.release(); }

 private:
  QSessionManager& manager_;
};

struct DepthGuard {
  DepthGuard() { ++g_dispatchDepth; }
  ~DepthGuard() { --g_dispatchDepth; }
};
}  // namespace

void Trace(const QString& what) {
  if (g_trace) TraceLog() << what;
}
void EnableTrace(bool on) { g_trace = on; }
QStringList& TraceLog() {
  static QStringList log;
  return log;
}

void Dispatch(const std::function<void()>& handler) {
  if (g_dispatchDepth > g_loopBase) {
    DepthGuard guard;
    handler();
    return;
  }
  DepthGuard guard;
  try {
    handler();
  } catch (...) {
    UnhandledException(std::current_exception());
  }
}

void RunNestedLoop(const std::function<void()>& loop) {
  const int outerBase = g_loopBase;
  const bool failedBefore = g_failed;
  g_loopBase = g_dispatchDepth;
  struct Restore {
    int base;
    ~Restore() { g_loopBase = base; }
  } restore{outerBase};
  try {
    loop();
  } catch (...) {
    UnhandledException(std::current_exception());
  }
  // The loop's handler ended the program: the handler that opened the loop must not go on as if
  // its dialog had been answered.
  if (g_failed && !failedBefore && g_dispatchDepth > outerBase) throw ProgramEnding();
}

void UnhandledException(const std::exception_ptr& e) {
  if (g_failed) return;  // one report is enough; the program is already ending
  g_failed = true;
  QString what = QStringLiteral("unknown error");
  try {
    std::rethrow_exception(e);
  } catch (const NilObjectException& x) {
    what = QStringLiteral("NilObjectException: ") + QString::fromStdString(x.what());
  } catch (const std::exception& x) {
    what = QString::fromStdString(x.what());
  } catch (...) {
  }
  try {
    fw::MsgBox(QStringLiteral("An unexpected error occurred and the program has to close.\n\n") + what);
  } catch (...) {
  }
  QCoreApplication::exit(1);
}

Application::Application() = default;
Application::~Application() {
  if (g_app == this) g_app = nullptr;
}

Application* Application::Current() { return g_app; }
Application& Application::Running(const char* what) { return *NilCheck(g_app, what); }
void Application::RegisterAppObject(Application* app) { g_app = app; }

void Application::AddMenuHandler(const QString& itemName, std::function<bool()> handler) {
  handlers_[itemName] = std::move(handler);
}

void Application::HandleMenuItem(const MenuItem& item) {
  Trace(QStringLiteral("Menu.") + item.Name);
  auto it = handlers_.constFind(item.Name);
  if (it != handlers_.constEnd()) {
    auto h = it.value();
    Dispatch([&] { h(); });
    return;
  }
  if (item.ItemKind() == MenuItem::Kind::Quit) {
    Dispatch([] { QuitFromMenu(); });
    return;
  }
  static const QHash<QString, EditCommand> standard = {
      {QStringLiteral("EditUndo"), EditCommand::Undo},   {QStringLiteral("EditCut"), EditCommand::Cut},
      {QStringLiteral("EditCopy"), EditCommand::Copy},   {QStringLiteral("EditPaste"), EditCommand::Paste},
      {QStringLiteral("EditClear"), EditCommand::Clear}, {QStringLiteral("EditSelectAll"), EditCommand::SelectAll}};
  auto s = standard.constFind(item.Name);
  if (s != standard.constEnd()) ApplyEditCommand(s.value());
}

bool ApplyEditCommand(EditCommand c) {
  QWidget* w = QApplication::focusWidget();
  if (auto* t = qobject_cast<QTextEdit*>(w)) {
    // A cursor edits a read-only field all the same: only what reads may reach one.
    if (t->isReadOnly() && c != EditCommand::Copy && c != EditCommand::SelectAll) return true;
    // A long text still coming in is taken in whole first, so that nothing lands between its parts.
    if (c != EditCommand::Copy) FinishPendingContent(t);
    switch (c) {
      case EditCommand::Undo: t->undo(); break;
      case EditCommand::Cut: t->cut(); break;
      case EditCommand::Copy: t->copy(); break;
      case EditCommand::Paste: t->paste(); break;
      case EditCommand::Clear: { QTextCursor cur = t->textCursor(); cur.removeSelectedText(); t->setTextCursor(cur); break; }
      case EditCommand::SelectAll: t->selectAll(); break;
    }
    return true;
  }
  if (auto* l = qobject_cast<QLineEdit*>(w)) {
    switch (c) {
      case EditCommand::Undo: l->undo(); break;
      case EditCommand::Cut: l->cut(); break;
      case EditCommand::Copy: l->copy(); break;
      case EditCommand::Paste: l->paste(); break;
      case EditCommand::Clear: l->del(); break;
      case EditCommand::SelectAll: l->selectAll(); break;
    }
    return true;
  }
  return false;
}

void QuitFromMenu() {
  // Front to back; each Close may end the program through Quit.
  const QList<Window*> windows = OpenWindows();
  for (Window* w : windows) {
    if (!OpenWindows().contains(w)) continue;
    w->Close();
    if (g_failed) return;
    if (OpenWindows().contains(w) && !w->IsClosing()) return;  // the window refused: no quitting
  }
  Quit(0);
}


void Quit(int status) {
  g_exitStatus = status;
  g_quitting = true;
  QCoreApplication::exit(status);
}

namespace {
// The answer that changes nothing, given to whatever is open over the windows.
void DismissOpenDialogs() {
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
  }
  QDrag::cancel();
}

void TerminationStep() {
  if (!g_terminationPending) return;
  // Inside a handler (a dialog's own event loop, a drag): let it return before saving, so that the
  // save sees the state the road leaves behind, not the state in the middle of it.
  if (g_dispatchDepth > 0 && !g_terminationDeadline.hasExpired()) {
    DismissOpenDialogs();
    QTimer::singleShot(kDismissRetryMs, &TerminationStep);
    return;
  }
  g_terminationPending = false;
  g_terminating = true;
  Dispatch([] { QuitFromMenu(); });
  g_terminating = false;
}
}  // namespace

void RequestTermination() {
  // The Quit already running (asking, reporting) decides; a second request changes nothing.
  if (g_terminationPending || g_terminating || g_quitting) return;
  g_terminationPending = true;
  g_terminationDeadline = QDeadlineTimer(kDismissLimitMs);
  TerminationStep();
}

void CommitSessionData(SessionCommit& commit) {
  if (!g_app || g_commit) return;
  AskedOnce once(commit);
  g_commit = &once;
  Dispatch([&once] { g_app->Event_CommitData(once); });
  g_commit = nullptr;
  if (once.Interacted() && !once.Cancelled()) commit.Release();
}

bool MayInteract() { return !g_commit || g_commit->AllowsInteraction(); }

bool TerminationUnderWay() { return g_terminating; }

bool HasFailed() { return g_failed; }
void ClearFailure() { g_failed = false; }

bool StartApplication(const std::function<void()>& startup) {
  QGuiApplication::setQuitOnLastWindowClosed(false);
  // Direct: the session manager takes the data as saved once the handler returns. Saving is all
  // it does; the end of the program, when the session manager wants it, comes as a quit request
  // that closes the windows.
  static const bool commitConnected = QObject::connect(
      qApp, &QGuiApplication::commitDataRequest, qApp,
      [](QSessionManager& manager) {
        QtSessionCommit commit(manager);
        CommitSessionData(commit);
      },
      Qt::DirectConnection);
  (void)commitConnected;
  g_failed = false;
  g_quitting = false;
  g_terminationPending = false;
  g_exitStatus = 0;
  Dispatch(startup);
  if (g_failed) return false;
  Trace(QStringLiteral("App.Open"));
  if (g_app) Dispatch([] { g_app->Event_Open(); });
  if (g_failed) return false;
  // The windows start-up made visible open now, after the application's Open.
  for (Window* w : OpenWindows())
    if (w->WantsToBeShown()) Dispatch([w] { w->Show(); });
  return !g_failed;
}

int FinishApplication(int loopStatus) {
  if (g_failed) return 1;
  Trace(QStringLiteral("App.Close"));
  if (g_app) Dispatch([] { g_app->Event_Close(); });
  if (g_failed) return 1;
  return loopStatus != 0 ? loopStatus : g_exitStatus;
}

int RunApplication(const std::function<void()>& startup) {
  const TerminationSignals signalWatch(&RequestTermination);
  if (!StartApplication(startup)) return 1;
  const int status = QCoreApplication::exec();
  return FinishApplication(status);
}

}  // namespace fw
