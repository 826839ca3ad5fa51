#pragma once
// SIGTERM and SIGHUP (a logout, `kill`, a closed terminal) as a request on the event thread: the
// signal handler only writes a byte to a pipe, whose reading end wakes the event loop.

#include <QObject>
#include <functional>
#include <signal.h>

class QSocketNotifier;

namespace fw {

class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  // While the object lives, each of the signals raises `onRequest` on the event thread instead of
  // ending the process.
  explicit TerminationSignals(std::function<void()> onRequest);
  ~TerminationSignals() override;

 private:
  void Drain();

  std::function<void()> onRequest_;
  int fds_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
  struct sigaction oldTerm_ {}, oldHup_ {};
};

}  // namespace fw
