#include "platform/network/httpsocket.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include "platform/system/application.h"

namespace fw {

namespace {
// The parts of an "http://host[:port][/path]" address; empty host when it is not one.
struct Address {
  QString hostPort;  // as written, for the Host header
  QString host;
  int port = 0;
  QString path;
};

Address ParseAddress(const QString& url, int defaultPort) {
  static const QLatin1String scheme("http://");
  Address a;
  // Nothing that could end a line or a header on the wire, and nothing outside printable ASCII.
  for (QChar c : url)
    if (c.unicode() <= 0x20 || c.unicode() >= 0x7f) return a;
  if (!url.startsWith(scheme, Qt::CaseInsensitive)) return a;
  const QString rest = url.mid(scheme.size());
  const qsizetype slash = rest.indexOf(u'/');
  const QString hostPort = slash < 0 ? rest : rest.left(slash);
  const QString path = slash < 0 ? QStringLiteral("/") : rest.mid(slash);
  QString host = hostPort;
  int port = defaultPort;
  if (const qsizetype colon = hostPort.lastIndexOf(u':'); colon >= 0) {
    bool ok = false;
    port = hostPort.mid(colon + 1).toInt(&ok);
    if (!ok) return a;
    host = hostPort.left(colon);
  }
  if (host.isEmpty() || host.contains(u'@') || port < 1 || port > 65535) return a;
  a.hostPort = hostPort;
  a.host = host;
  a.port = port;
  a.path = path;
  return a;
}

int32_t CodeFor(int socketError) {
  switch (static_cast<QAbstractSocket::SocketError>(socketError)) {
    case QAbstractSocket::ConnectionRefusedError: return HTTPSocket::kRefused;
    case QAbstractSocket::HostNotFoundError: return HTTPSocket::kHostNotFound;
    case QAbstractSocket::RemoteHostClosedError: return HTTPSocket::kClosedBeforeReply;
    case QAbstractSocket::NetworkError: return HTTPSocket::kNetworkFailed;
    case QAbstractSocket::SocketTimeoutError: return HTTPSocket::kTimedOut;
    default: return HTTPSocket::kOtherFailure;
  }
}

// Where the head ends and the body begins ("\r\n\r\n", or bare "\n\n" from a careless server),
// searched from `from`; -1 when the head is not complete.
qsizetype HeadEnd(const QByteArray& data, qsizetype from, qsizetype* separatorLength) {
  const qsizetype crlf = data.indexOf("\r\n\r\n", from);
  const qsizetype lf = data.indexOf("\n\n", from);
  if (crlf >= 0 && (lf < 0 || crlf <= lf)) {
    *separatorLength = 4;
    return crlf;
  }
  *separatorLength = 2;
  return lf;
}
}  // namespace

HTTPSocket::HTTPSocket(QObject* parent) : QObject(parent) {}

HTTPSocket::~HTTPSocket() { Stop(); }

void HTTPSocket::Constructor() {
  requestHeaders_ = InternetHeaders();
  requestHeaders_.AppendHeader(QStringLiteral("Accept"), QStringLiteral("*/*"));
  requestHeaders_.AppendHeader(QStringLiteral("Accept-Language"), QStringLiteral("en"));
  port_ = 80;
}

bool HTTPSocket::IsConnected() const { return socket_ && socket_->state() == QAbstractSocket::ConnectedState; }

void HTTPSocket::Get(const QString& url) {
  Disconnect();
  const quint64 generation = generation_;
  url_ = url;
  head_.clear();
  body_.clear();
  headDone_ = false;
  receivedAny_ = false;
  const Address a = ParseAddress(url, port_);
  if (a.host.isEmpty()) {
    QMetaObject::invokeMethod(this, [this, generation] { if (generation == generation_) Fail(kUnsupportedAddress); },
                              Qt::QueuedConnection);
    return;
  }
  request_ = "GET " + a.path.toLatin1() + " HTTP/1.0\r\n";
  request_ += "Host: " + a.hostPort.toLatin1() + "\r\n";
  for (int i = 0; i < requestHeaders_.Count(); ++i)
    request_ += requestHeaders_.Name(i).toLatin1() + ": " + requestHeaders_.ValueAt(i).toLatin1() + "\r\n";
  request_ += "\r\n";
  // The connection starts from the event loop, so that whatever the socket reports, even at once,
  // reaches the caller only after Get has returned.
  QMetaObject::invokeMethod(
      this,
      [this, generation, host = a.host, port = a.port] {
        if (generation != generation_) return;
        auto* s = new QTcpSocket(this);
        // Read by us in bounded pieces; Qt must not gather an unbounded reply behind our back.
        s->setReadBufferSize(64 * 1024);
        // Straight to the server: the request's bytes are fixed, and no proxy may rewrite them.
        s->setProxy(QNetworkProxy::NoProxy);
        socket_ = s;
        connect(s, &QTcpSocket::connected, this, &HTTPSocket::Connected);
        connect(s, &QTcpSocket::readyRead, this, &HTTPSocket::ReadReady);
        connect(s, &QTcpSocket::disconnected, this, &HTTPSocket::ConnectionEnded);
        connect(s, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) { SocketFailed(e); });
        s->connectToHost(host, static_cast<quint16>(port));
      },
      Qt::QueuedConnection);
}

void HTTPSocket::Disconnect() {
  Stop();
  ++generation_;
}

void HTTPSocket::Stop() {
  if (!socket_) return;
  QTcpSocket* s = socket_;
  socket_ = nullptr;
  s->disconnect(this);
  s->abort();
  s->deleteLater();
}

void HTTPSocket::Connected() {
  if (socket_) socket_->write(request_);
}

void HTTPSocket::ReadReady() {
  while (socket_ && socket_->bytesAvailable() > 0) {
    if (!headDone_) {
      const qsizetype searchFrom = qMax<qsizetype>(0, head_.size() - 3);
      const QByteArray chunk = socket_->read(kMaxBytes - head_.size());
      if (chunk.isEmpty()) return;
      receivedAny_ = true;
      head_ += chunk;
      qsizetype separator = 0;
      const qsizetype end = HeadEnd(head_, searchFrom, &separator);
      if (end >= 0) {
        body_ = head_.mid(end + separator);
        head_.truncate(end);
        headDone_ = true;
      } else if (head_.size() >= kMaxBytes) {
        Fail(kMalformedReply);
        return;
      }
    } else {
      const QByteArray chunk = socket_->read(kMaxBytes - body_.size());
      if (chunk.isEmpty()) return;
      body_ += chunk;
    }
    if (headDone_ && body_.size() >= kMaxBytes) {
      body_.truncate(kMaxBytes);
      Deliver();
      return;
    }
  }
}

void HTTPSocket::ConnectionEnded() {
  ReadReady();
  if (!socket_) return;  // delivered while reading the rest
  if (headDone_) Deliver();
  else Fail(receivedAny_ ? kMalformedReply : kClosedBeforeReply);
}

void HTTPSocket::SocketFailed(int socketError) {
  if (!socket_) return;
  // The usual end of an HTTP/1.0 reply is the server closing; a break once the head is in still
  // delivers what arrived.
  if (socketError == QAbstractSocket::RemoteHostClosedError || headDone_) {
    ConnectionEnded();
    return;
  }
  ReadReady();
  if (!socket_) return;
  if (headDone_) Deliver();
  else Fail(receivedAny_ ? kMalformedReply : CodeFor(socketError));
}

void HTTPSocket::Deliver() {
  Stop();
  const QList<QByteArray> lines = head_.split('\n');
  const QByteArray statusLine = lines.value(0).trimmed();
  if (!statusLine.startsWith("HTTP/")) {
    Fail(kMalformedReply);
    return;
  }
  const int32_t status = statusLine.split(' ').value(1).toInt();
  InternetHeaders headers;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) continue;
    headers.AppendHeader(QString::fromLatin1(line.left(colon).trimmed()), QString::fromLatin1(line.mid(colon + 1).trimmed()));
  }
  const QString url = url_;
  const QString content = QString::fromUtf8(body_);
  head_.clear();
  body_.clear();
  const PageReceivedHandler handler = onPage_;
  if (handler) Dispatch([&] { handler(url, status, headers, content); });
}

void HTTPSocket::Fail(int32_t code) {
  Stop();
  head_.clear();
  body_.clear();
  const ErrorHandler handler = onError_;
  if (handler) Dispatch([&] { handler(code); });
}

}  // namespace fw
