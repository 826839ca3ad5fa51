#pragma once
// The HTTP client socket: one GET at a time over a plain TCP connection, HTTP/1.0, the reply read
// until the server closes. Get returns at once; later exactly one of PageReceived or Error is
// raised on the event loop for it, unless the request was stopped first (Disconnect, or the
// socket destroyed), after which nothing is raised for it at all.
//
// The request carries only the request line and the request headers ("Host" first, from the
// address as written, then RequestHeaders() in their order) and an empty line, every line ending
// in CR LF. A redirection is not followed; the status is handed on, not judged.
//
// Error codes (the argument of Error):
//   -1  the connection was refused
//   -2  the host name could not be resolved
//   -3  the server closed the connection before sending anything
//   -4  the network failed: unreachable, reset before any reply, a connection attempt the
//       operating system gave up on, or another network error
//   -5  no connection was made within the socket layer's own time limit (30 seconds)
//   -6  the address is not one this socket can fetch (only "http://host[:port][/path]")
//   -7  the reply ended or broke inside its status line and headers, or is not an HTTP reply
//   -8  any other socket failure (resources, proxy, unsupported operation)
//
// A reply is read up to kMaxBytes of head and kMaxBytes of body; a longer one is cut there and
// delivered as what arrived, like a connection that broke, so that no server can exhaust memory.
// A connection that breaks once the head has arrived delivers the body received so far.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/network/internetheaders.h"

class QTcpSocket;

namespace fw {

class HTTPSocket : public QObject {
  Q_OBJECT
 public:
  enum ErrorCode : int32_t {
    kRefused = -1,
    kHostNotFound = -2,
    kClosedBeforeReply = -3,
    kNetworkFailed = -4,
    kTimedOut = -5,
    kUnsupportedAddress = -6,
    kMalformedReply = -7,
    kOtherFailure = -8,
  };
  static constexpr qsizetype kMaxBytes = 1 << 20;

  using PageReceivedHandler =
      std::function<void(const QString& url, int32_t httpStatus, const InternetHeaders& headers, const QString& content)>;
  using ErrorHandler = std::function<void(int32_t code)>;

  explicit HTTPSocket(QObject* parent = nullptr);
  ~HTTPSocket() override;

  // The framework's constructor: the default request headers and the default port.
  virtual void Constructor();

  InternetHeaders& RequestHeaders() { return requestHeaders_; }
  // The port used when the address names none.
  int Port() const { return port_; }
  void SetPort(int port) { port_ = port; }

  // Starts a GET of `url` and returns at once; a request still under way is abandoned first.
  void Get(const QString& url);
  // Stops the request under way: its connection is closed and no event is raised for it.
  void Disconnect();
  bool IsConnected() const;

  void InstallPageReceivedHandler(PageReceivedHandler h) { onPage_ = std::move(h); }
  void InstallErrorHandler(ErrorHandler h) { onError_ = std::move(h); }

 private:
  void Connected();
  void ReadReady();
  void ConnectionEnded();
  void SocketFailed(int socketError);
  void Deliver();
  void Fail(int32_t code);
  void Stop();

  InternetHeaders requestHeaders_;
  int port_ = 0;
  QPointer<QTcpSocket> socket_;
  QString url_;
  QByteArray request_;
  QByteArray head_;
  QByteArray body_;
  bool headDone_ = false;
  bool receivedAny_ = false;
  quint64 generation_ = 0;  // a queued event of an abandoned request finds it changed
  PageReceivedHandler onPage_;
  ErrorHandler onError_;
};

}  // namespace fw
