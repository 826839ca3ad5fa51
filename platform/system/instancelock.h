#pragma once
// One running program per folder: a lock file inside the folder, and a local socket named after
// the folder through which a second start asks the running program to come to the front.

#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;

namespace fw {

class InstanceLock : public QObject {
  Q_OBJECT
 public:
  enum class State {
    Locked,         // this program holds the folder
    NotLockable,    // no lock could be made there (read-only folder, ...): run without one
    HeldByAnother,  // a running program holds the folder
    Raised,         // (ReachHolder) the program that holds the folder answered and came to the front
  };

  // `folderPath` must exist; the lock file `lockName` is made inside it.
  InstanceLock(const QString& folderPath, const QString& lockName);
  ~InstanceLock() override;

  // Takes the folder, taking over a lock whose program is gone. While it is held, a second start's
  // request raises `onActivate` on the event thread.
  State Acquire(std::function<void()> onActivate);
  // From a second start: asks the holder to come to the front; true once it has answered.
  bool ActivateHolder(int timeoutMs) const;
  // From a second start whose holder could not be reached: takes the folder when no program holds
  // the lock file's own lock any more (the holder is gone and its process id now belongs to another
  // program of the same name), or when the lock file has just gone with its holder. A holder that
  // still runs keeps it: HeldByAnother.
  State TakeOverUnheld();
  // From a second start that found the folder held: asks the holder to come to the front and,
  // while it does not answer (a program busy saving, or closing, runs no event loop), waits up to
  // `waitMs` for it to let the folder go. Raised: it answered. Locked: it went away, or had gone,
  // and the folder is this program's now. HeldByAnother: a program still holds the folder; soon
  // when nothing listens for the request at all (its socket is gone), at `waitMs` otherwise.
  State ReachHolder(int waitMs);
  void Release();
  QString LockPath() const { return lockPath_; }

  // The local socket's address for that folder (the same for every spelling of its path).
  static QString ServerName(const QString& folderPath);

 private:
  void Listen();
  void Answer();
  // Connects `s` to the holder and sends the request; false when nothing answers the connection.
  bool SendRequest(QLocalSocket& s, const QDeadlineTimer& deadline) const;

  QString folderPath_;
  QString lockPath_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> onActivate_;
};

}  // namespace fw
