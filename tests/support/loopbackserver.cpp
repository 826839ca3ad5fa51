#include "loopbackserver.h"

#include <sys/socket.h>

#include <QHostAddress>
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
          EndSending(s);
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
          EndSending(s);
          break;
        case Mode::NeverAnswer:
          break;
      }
    });
  }
}

// Only our sending side ends (the client reads the end of the reply); the connection's `disconnected`
// then comes from the client's own close, so that ClientsClosed tells whether the client let go.
void LoopbackServer::EndSending(QTcpSocket* s) {
  const auto shutDown = [s] { ::shutdown(static_cast<int>(s->socketDescriptor()), SHUT_WR); };
  if (s->bytesToWrite() == 0) {
    shutDown();
    return;
  }
  connect(s, &QTcpSocket::bytesWritten, s, [s, shutDown] {
    if (s->bytesToWrite() == 0) shutDown();
  });
}
