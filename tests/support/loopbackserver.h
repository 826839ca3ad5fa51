#pragma once
// A web server on 127.0.0.1 inside the test process, answering on the test's own event loop:
// it records the request bytes of each connection and answers as the test scripts it.

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

class LoopbackServer : public QObject {
  Q_OBJECT
 public:
  enum class Mode {
    Reply,          // send the reply, then end our sending side
    ReplyThenReset, // send the reply, then reset the connection (a break in mid-reply)
    CloseAtOnce,    // end our sending side without a byte of reply
    NeverAnswer,    // keep the connection open and silent
  };

  LoopbackServer();
  ~LoopbackServer() override;

  quint16 Port() const { return server_.serverPort(); }
  QString HostPort() const;  // "127.0.0.1:<port>"

  void Answer(Mode mode, const QByteArray& reply = QByteArray()) {
    mode_ = mode;
    reply_ = reply;
  }

  // The bytes of the first connection's request, as received (everything the client sent).
  QByteArray Request() const { return requests_.value(0); }
  int Connections() const { return static_cast<int>(requests_.size()); }
  // Whether the request's empty line has arrived on the latest connection.
  bool RequestComplete() const;
  // Whether every connection made so far has been closed by the client.
  bool ClientsClosed() const { return closedByClient_ == requests_.size(); }

  // An HTTP/1.0 reply with that status and body.
  static QByteArray Reply(const QByteArray& body, int status = 200);

 private:
  void Accept();
  void EndSending(QTcpSocket* s);

  QTcpServer server_;
  Mode mode_ = Mode::Reply;
  QByteArray reply_;
  QList<QByteArray> requests_;
  QList<QPointer<QTcpSocket>> sockets_;
  qsizetype closedByClient_ = 0;
};
