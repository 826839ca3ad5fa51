#include "loopbackserver.h"

#include <sys/socket.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QThread>
#include <QTimer>

LoopbackServer::LoopbackServer() {
  connect(&server_, &QTcpServer::newConnection, this, &LoopbackServer::Accept);
  server_.listen(QHostAddress::LocalHost, 0);
}

LoopbackServer::~LoopbackServer() {
  for (const QPointer<QTcpSocket>& s : sockets_)
    if (s) s->disconnect(this);
}

QString LoopbackServer::HostPort() const { return QStringLiteral("127.0.0.1:") + QString::number(Port()); }

bool LoopbackServer::RequestComplete() const { return !requests_.isEmpty() && requests_.last().contains("\r\n\r\n"); }

QByteArray LoopbackServer::Reply(const QByteArray& body, int status) {
  return "HTTP/1.0 " + QByteArray::number(status) + " Whatever\r\nContent-Type: text/xml\r\nX-Test: yes\r\n\r\n" + body;
}

void LoopbackServer::Accept() {
  while (QTcpSocket* s = server_.nextPendingConnection()) {
    s->setParent(this);
    const qsizetype index = requests_.size();
    requests_.append(QByteArray());
    sockets_.append(s);
    connect(s, &QTcpSocket::disconnected, this, [this] { ++closedByClient_; });
    connect(s, &QTcpSocket::readyRead, this, [this, s, index] {
      const bool wasComplete = requests_[index].contains("\r\n\r\n");
      requests_[index] += s->readAll();
      if (wasComplete || !requests_[index].contains("\r\n\r\n")) return;
      switch (mode_) {
        case Mode::Reply:
          s->write(reply_);
          s->disconnectFromHost();  // after the written bytes have gone
          break;
        case Mode::ReplyThenReset:
          s->write(reply_);
          // Time for the client to read what was sent; then a reset, not an orderly end (a zero
          // linger time makes the close one).
          QTimer::singleShot(200, s, [this, s] {
            const linger l{1, 0};
            setsockopt(static_cast<int>(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &l, sizeof l);
            s->disconnect(this);
            ++closedByClient_;  // ours, counted so that ClientsClosed still tells
            s->abort();
          });
          break;
        case Mode::CloseAtOnce:
          s->disconnectFromHost();
          break;
        case Mode::NeverAnswer:
          break;
      }
    });
  }
}

bool WaitFor(const std::function<bool()>& condition, int ms) {
  QDeadlineTimer deadline(ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return true;
}
