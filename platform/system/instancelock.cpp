#include "platform/system/instancelock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cstdlib>

#include "platform/system/application.h"

namespace fw {

namespace {
const QByteArray kRaiseRequest = "raise\n";
const QByteArray kRaised = "raised\n";
// How long a lock file may lack its owner's details before it counts as cut short: a starting
// program writes them right after making the file.
constexpr int kOwnerWriteMs = 300;
// A second start waiting on a holder: how long its connection may take, how long a lock may stay
// held with nothing listening for requests, and how often the lock is looked at meanwhile.
constexpr int kConnectMs = 2000;
constexpr int kNoListenerMs = 1000;
constexpr int kPollMs = 100;
}  // namespace

InstanceLock::InstanceLock(const QString& folderPath, const QString& lockName)
    : folderPath_(folderPath), lockPath_(QDir(folderPath).filePath(lockName)), lock_(lockPath_) {
  // The lock lasts as long as the program runs: its age says nothing, only whether its owner
  // still runs (same machine, same boot, same process).
  lock_.setStaleLockTime(0);
}

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::State InstanceLock::Acquire(std::function<void()> onActivate) {
  onActivate_ = std::move(onActivate);
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (lock_.tryLock(0)) {
      Listen();
      return State::Locked;
    }
    if (lock_.error() != QLockFile::LockFailedError) return State::NotLockable;
    if (lock_.getLockInfo(nullptr, nullptr, nullptr)) return State::HeldByAnother;
    // No owner to ask about: the file was cut short (a crash or power cut between making it and
    // writing it), or its owner is just writing it or just removed it. Only the first lasts.
    QThread::msleep(kOwnerWriteMs);
    if (!lock_.getLockInfo(nullptr, nullptr, nullptr)) lock_.removeStaleLockFile();
  }
  return State::HeldByAnother;
}

QString InstanceLock::ServerName(const QString& folderPath) {
  // The real path's own bytes: decoded, the names of two folders that are not valid UTF-8 can be
  // one string, and one program would answer for the other's folder.
  QByteArray canonical = QFile::encodeName(QFileInfo(folderPath).absoluteFilePath());
  if (char* real = ::realpath(canonical.constData(), nullptr)) {
    canonical = real;
    std::free(real);
  }
  const QString name = QCoreApplication::applicationName() + u'-' +
                       QString::fromLatin1(QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().left(16));
  // The user's own runtime folder, where no other user can take the name first.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

void InstanceLock::Listen() {
  const QString name = ServerName(folderPath_);
  // A socket left by a killed holder: the folder is ours now, and so is its name.
  QLocalServer::removeServer(name);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name)) {
    // Second starts then cannot reach us and say so instead.
    server_.reset();
    return;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, &InstanceLock::Answer);
}

void InstanceLock::Answer() {
  while (QLocalSocket* s = server_->nextPendingConnection()) {
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    const auto answer = [this, s] {
      if (!s->canReadLine()) return;
      if (s->readLine() == kRaiseRequest) {
        if (onActivate_) Dispatch(onActivate_);
        s->write(kRaised);
        s->flush();
      }
      s->disconnectFromServer();
    };
    connect(s, &QLocalSocket::readyRead, s, answer);
    // A request that arrived with the connection is already read: no readyRead announces it.
    if (s->canReadLine()) answer();
  }
}

bool InstanceLock::SendRequest(QLocalSocket& s, const QDeadlineTimer& deadline) const {
  s.connectToServer(ServerName(folderPath_));
  if (!s.waitForConnected(int(deadline.remainingTime()))) return false;
  s.write(kRaiseRequest);
  return s.waitForBytesWritten(int(deadline.remainingTime()));
}

bool InstanceLock::ActivateHolder(int timeoutMs) const {
  QLocalSocket s;
  const QDeadlineTimer deadline(timeoutMs);
  if (!SendRequest(s, deadline)) return false;
  while (!s.canReadLine())
    if (deadline.hasExpired() || !s.waitForReadyRead(int(deadline.remainingTime()))) return false;
  return s.readLine() == kRaised;
}

InstanceLock::State InstanceLock::TakeOverUnheld() {
  // The file is removed only where its own lock can be taken, which a running holder keeps for as
  // long as it runs: a holder that is merely slow to answer is never robbed. A file that is gone
  // already went with its holder, and the folder is free.
  lock_.removeStaleLockFile();
  return Acquire(onActivate_);
}

InstanceLock::State InstanceLock::ReachHolder(int waitMs) {
  const QDeadlineTimer deadline(waitMs);
  QLocalSocket s;
  // A holder busy saving still takes the connection (the system does), and reads the request once
  // its event loop runs again. With nothing listening, the holder is either just letting the
  // folder go (it stops listening a moment before it unlocks) or can never be reached.
  const bool asked = SendRequest(s, QDeadlineTimer(std::min(waitMs, kConnectMs)));
  const QDeadlineTimer patience = asked ? deadline : QDeadlineTimer(std::min(waitMs, kNoListenerMs));
  for (;;) {
    if (asked && s.state() == QLocalSocket::ConnectedState) {
      if (s.waitForReadyRead(kPollMs) && s.canReadLine() && s.readLine() == kRaised) return State::Raised;
    } else {
      QThread::msleep(kPollMs);  // nothing to wait on: the holder is going away, or cannot be reached
    }
    const State state = TakeOverUnheld();
    if (state != State::HeldByAnother || patience.hasExpired()) return state;
  }
}

void InstanceLock::Release() {
  server_.reset();
  lock_.unlock();
}

}  // namespace fw
