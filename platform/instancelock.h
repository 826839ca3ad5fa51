#pragma once
// One running program per folder: a lock file inside the folder, and a local socket named after
// the folder through which a second start asks the running program to come to the front.

#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace fw {

class InstanceLock : public QObject {
  Q_OBJECT
 public:
  enum class State {
    Locked,         // this program holds the folder
    NotLockable,    // no lock could be made there (read-only folder, ...): run without one
    HeldByAnother,  // a running program holds the folder
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
  // program of the same name). A holder that still runs keeps it: HeldByAnother.
  State TakeOverUnheld();
  void Release();
  QString LockPath() const { return lockPath_; }

  // The local socket's address for that folder (the same for every spelling of its path).
  static QString ServerName(const QString& folderPath);

 private:
  void Listen();
  void Answer();

  QString folderPath_;
  QString lockPath_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> onActivate_;
};

}  // namespace fw
