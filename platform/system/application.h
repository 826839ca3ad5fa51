#pragma once
// The application object, the event dispatch and the run of the program.

#include <QHash>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

namespace fw {

class MenuBar;
class MenuItem;
class SessionCommit;

// Runs one event handler. The outermost handler of an event is where an exception that nothing
// caught ends up: it is shown to the user and the program ends with a non-zero status, instead of
// unwinding through Qt's event loop. Nested handlers (raised by code inside another handler) let
// it pass up to the outermost one.
void Dispatch(const std::function<void()>& handler);
// Runs a nested event loop: a modal window, a message box, the colour dialog, a drag. The handlers
// that loop runs are outermost ones, since no exception may unwind through Qt's loop: one that
// nothing caught is shown and ends the program right there, and the code that ran the loop is then
// unwound to its own outermost handler, which takes that quietly.
void RunNestedLoop(const std::function<void()>& loop);
// Shows an exception that nothing caught and ends the program with status 1.
void UnhandledException(const std::exception_ptr& e);

// Optional trace of events as the framework raises them ("App.Open", "Window1.FontMenu.Open", ...),
// for tests that check the order of start-up.
void Trace(const QString& what);
void EnableTrace(bool on);
QStringList& TraceLog();

class Application {
 public:
  Application();
  virtual ~Application();

  virtual void Event_Open() {}
  virtual void Event_Close() {}
  // The session manager asks for everything to be saved; the program must not quit here.
  virtual void Event_CommitData(SessionCommit&) {}

  void SetMenuBar(MenuBar* bar) { menuBar_ = bar; }
  MenuBar* GetMenuBar() const { return menuBar_; }

  // Binds a handler to the menu item of that name; the Boolean is the handled flag.
  void AddMenuHandler(const QString& itemName, std::function<bool()> handler);
  bool HasMenuHandler(const QString& itemName) const { return handlers_.contains(itemName); }
  // A menu item was chosen: its registered handler, a standard edit command on the focused text
  // field, or quitting.
  void HandleMenuItem(const MenuItem& item);

  static Application* Current();
  // The same for code that cannot go on without it: its absence is a NilObjectException naming
  // `what`.
  static Application& Running(const char* what = "App");
  static void RegisterAppObject(Application* app);

  // The running version.
  int MajorVersion = 0, MinorVersion = 0, BugVersion = 0;
  QString ShortVersion, LongVersion;

 private:
  MenuBar* menuBar_ = nullptr;
  QHash<QString, std::function<bool()>> handlers_;
};

// Framework quit: closes the open document windows, front to back, then ends the event loop. A
// window's Close handler may call Quit itself.
void QuitFromMenu();
// Ends the event loop with `status`; the application's Close event still follows.
void Quit(int status = 0);
// A request from outside to end the program (SIGTERM, SIGHUP): handled as the user's Quit, so
// that everything is saved as at a close. A dialog open at that moment is answered the way that
// changes nothing (Cancel, No), so that the road that opened it returns first; the Quit then runs
// from the event loop itself.
void RequestTermination();
// The session manager's request to save (Qt's commitDataRequest, which start-up connects here):
// the application's CommitData event, run as an outermost handler. While it runs, a message box
// is shown only when the session manager allows the user to be asked; the program keeps running.
void CommitSessionData(SessionCommit& commit);
// False while a request to save runs and the session manager does not let the user be asked.
bool MayInteract();
// Whether the Quit under way was requested from outside: no one may be there to answer a question.
bool TerminationUnderWay();

// Start-up and the event loop: watches for termination requests, runs `startup`, raises the
// application's Open and opens the windows that start-up made visible, runs the loop until Quit,
// raises the application's Close, and returns the exit status.
int RunApplication(const std::function<void()>& startup);
// The two halves around the event loop, for tests that drive a run without one: start-up up to
// the windows shown (false when it failed), and the application's Close with the exit status.
bool StartApplication(const std::function<void()>& startup);
int FinishApplication(int loopStatus);
// Whether an exception nothing caught has ended the program.
bool HasFailed();
// Forgets that an exception ended the program, so that the next one is reported again. The
// program ends after a failure and never calls it; a process that goes on (the tests provoke one
// failure after another) does. The quit the failure asked for still stands: it is the caller's to
// run out.
void ClearFailure();

// The six standard edit commands on the focused text field.
enum class EditCommand { Undo, Cut, Copy, Paste, Clear, SelectAll };
bool ApplyEditCommand(EditCommand c);

}  // namespace fw
