#include "platform/system/terminationsignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fw {

namespace {
// The pipe's writing end, for the handler; one watcher at a time.
volatile sig_atomic_t g_writeFd = -1;

extern "C" void OnTerminationSignal(int signo) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signo);
  // Non-blocking: a full pipe already holds a request, and a handler must never wait.
  if (g_writeFd >= 0) {
    const ssize_t written = ::write(g_writeFd, &byte, 1);
    (void)written;
  }
  errno = saved;
}
}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onRequest) : onRequest_(std::move(onRequest)) {
  if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
    fds_[0] = fds_[1] = -1;
    return;  // the signals keep their default: the program ends unsaved, as without this watcher
  }
  notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
  g_writeFd = fds_[1];
  struct sigaction sa {};
  sa.sa_handler = &OnTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, &oldTerm_);
  sigaction(SIGHUP, &sa, &oldHup_);
}

TerminationSignals::~TerminationSignals() {
  if (fds_[0] < 0) return;
  sigaction(SIGTERM, &oldTerm_, nullptr);
  sigaction(SIGHUP, &oldHup_, nullptr);
  g_writeFd = -1;
  delete notifier_;
  ::close(fds_[0]);
  ::close(fds_[1]);
}

void TerminationSignals::Drain() {
  // Several signals before the loop woke are one request.
  unsigned char buffer[64];
  while (::read(fds_[0], buffer, sizeof buffer) > 0) {
  }
  if (onRequest_) onRequest_();
}

}  // namespace fw
