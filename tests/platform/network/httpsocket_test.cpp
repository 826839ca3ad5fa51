// The HTTP client socket against a web server inside the test: the bytes it puts on the wire,
// what it hands on, how it ends, and that nothing outlives a request that was stopped.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <memory>

#include "loopbackserver.h"
#include "platform/network/httpsocket.h"
#include "waitfor.h"

using fw::HTTPSocket;

namespace {

struct Outcome {
  int pages = 0, errors = 0;
  QString url, body;
  int32_t status = 0, code = 0;
  fw::InternetHeaders headers;
  int Events() const { return pages + errors; }
};

class HTTPSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    socket_ = std::make_unique<HTTPSocket>();
    socket_->Constructor();
    socket_->InstallPageReceivedHandler(
        [this](const QString& url, int32_t status, const fw::InternetHeaders& headers, const QString& body) {
          ++got_.pages;
          got_.url = url;
          got_.status = status;
          got_.headers = headers;
          got_.body = body;
        });
    socket_->InstallErrorHandler([this](int32_t code) {
      ++got_.errors;
      got_.code = code;
    });
  }

  QString Address(const QString& path = QStringLiteral("/Updates/tavrin.xml")) const {
    return QStringLiteral("http://") + server_.HostPort() + path;
  }
  // Runs a GET to its one event and a little beyond, to see that no second event follows.
  void GetAndWait(const QString& url) {
    socket_->Get(url);
    ASSERT_EQ(got_.Events(), 0) << "an event was raised inside Get";
    ASSERT_TRUE(WaitFor([&] { return got_.Events() > 0; })) << "no event for " << qPrintable(url);
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(got_.Events(), 1);
  }

  LoopbackServer server_;
  std::unique_ptr<HTTPSocket> socket_;
  Outcome got_;
};

TEST_F(HTTPSocketTest, SendsExactlyTheRequestLineHostAcceptAndLanguage) {
  server_.Answer(LoopbackServer::Mode::Reply, LoopbackServer::Reply("x"));
  GetAndWait(Address());
  ASSERT_TRUE(WaitFor([&] { return server_.ClientsClosed(); }));
  EXPECT_EQ(server_.Request(), "GET /Updates/tavrin.xml HTTP/1.0\r\nHost: " + server_.HostPort().toLatin1() +
                                   "\r\nAccept: */*\r\nAccept-Language: en\r\n\r\n");
}

TEST_F(HTTPSocketTest, HandsOnStatusHeadersAndBodyWithoutJudgingOrFollowing) {
  server_.Answer(LoopbackServer::Mode::Reply,
                 "HTTP/1.0 302 Found\r\nLocation: http://elsewhere.example/\r\nX-Test:  padded \r\n\r\n<b>moved</b>\r\n");
  GetAndWait(Address());
  ASSERT_EQ(got_.pages, 1);
  EXPECT_EQ(got_.url, Address());
  EXPECT_EQ(got_.status, 302);
  EXPECT_EQ(got_.headers.Value(QStringLiteral("location")), QStringLiteral("http://elsewhere.example/"));
  EXPECT_EQ(got_.headers.Value(QStringLiteral("X-TEST")), QStringLiteral("padded"));
  EXPECT_EQ(got_.body, QStringLiteral("<b>moved</b>\r\n"));
  EXPECT_EQ(server_.Connections(), 1);
}

TEST_F(HTTPSocketTest, ABreakInMidBodyDeliversWhatArrived) {
  server_.Answer(LoopbackServer::Mode::ReplyThenReset, LoopbackServer::Reply("<CurrentVersion>1.8"));
  GetAndWait(Address());
  ASSERT_EQ(got_.pages, 1) << "error " << got_.code;
  EXPECT_EQ(got_.body, QStringLiteral("<CurrentVersion>1.8"));
}

TEST_F(HTTPSocketTest, ABodyBeyondOneMebibyteIsCutThereAndTheConnectionClosed) {
  server_.Answer(LoopbackServer::Mode::Reply, LoopbackServer::Reply(QByteArray(5 << 20, 'a')));
  GetAndWait(Address());
  ASSERT_EQ(got_.pages, 1);
  EXPECT_EQ(got_.body.size(), HTTPSocket::kMaxBytes);
  EXPECT_FALSE(socket_->IsConnected());
  EXPECT_TRUE(WaitFor([&] { return server_.ClientsClosed(); }));
}

TEST_F(HTTPSocketTest, AHeadWithoutEndBeyondOneMebibyteIsNotAReply) {
  server_.Answer(LoopbackServer::Mode::Reply, "HTTP/1.0 200 OK\r\nX: " + QByteArray(3 << 20, 'a'));
  GetAndWait(Address());
  EXPECT_EQ(got_.errors, 1);
  EXPECT_EQ(got_.code, HTTPSocket::kMalformedReply);
}

struct FailureCase {
  const char* name;
  LoopbackServer::Mode mode;
  QByteArray reply;
  int32_t code;
};

TEST_F(HTTPSocketTest, FailuresEndInOneErrorWithTheDocumentedCode) {
  const FailureCase cases[] = {
      {"closed before any reply", LoopbackServer::Mode::CloseAtOnce, {}, HTTPSocket::kClosedBeforeReply},
      {"ends inside the headers", LoopbackServer::Mode::Reply, "HTTP/1.0 200 OK\r\nContent-Ty", HTTPSocket::kMalformedReply},
      {"not an HTTP reply", LoopbackServer::Mode::Reply, "hello\r\n\r\n<CurrentVersion>2</CurrentVersion>",
       HTTPSocket::kMalformedReply},
      {"breaks inside the headers", LoopbackServer::Mode::ReplyThenReset, "HTTP/1.0 200 OK\r\n", HTTPSocket::kMalformedReply},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    got_ = Outcome();
    server_.Answer(c.mode, c.reply);
    GetAndWait(Address());
    EXPECT_EQ(got_.errors, 1);
    EXPECT_EQ(got_.code, c.code);
  }
}

TEST_F(HTTPSocketTest, AddressesItCannotFetchAndRefusedConnectionsAreErrors) {
  quint16 closedPort = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    closedPort = probe.serverPort();
  }
  const struct {
    QString url;
    int32_t code;
  } cases[] = {
      {QStringLiteral("http://127.0.0.1:") + QString::number(closedPort) + QStringLiteral("/"), HTTPSocket::kRefused},
      {QStringLiteral("https://127.0.0.1/"), HTTPSocket::kUnsupportedAddress},
      {QStringLiteral("ftp://127.0.0.1/"), HTTPSocket::kUnsupportedAddress},
      {QStringLiteral("http:///Updates/tavrin.xml"), HTTPSocket::kUnsupportedAddress},
      {QStringLiteral("http://127.0.0.1:99999/"), HTTPSocket::kUnsupportedAddress},
      {QStringLiteral("http://127.0.0.1:port/"), HTTPSocket::kUnsupportedAddress},
      // A line end in the address would let it write headers of its own.
      {QStringLiteral("http://127.0.0.1/x HTTP/1.0\r\nX-Evil: 1\r\n"), HTTPSocket::kUnsupportedAddress},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url.toStdString());
    got_ = Outcome();
    GetAndWait(c.url);
    EXPECT_EQ(got_.errors, 1);
    EXPECT_EQ(got_.code, c.code);
  }
  EXPECT_EQ(server_.Connections(), 0);
}

TEST_F(HTTPSocketTest, AStoppedRequestRaisesNothingAndLeavesNoConnection) {
  server_.Answer(LoopbackServer::Mode::NeverAnswer);
  socket_->Get(Address());
  ASSERT_TRUE(WaitFor([&] { return server_.RequestComplete(); }));
  socket_->Disconnect();
  EXPECT_TRUE(WaitFor([&] { return server_.ClientsClosed(); }));
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(got_.Events(), 0);

  // Destroyed in mid-request: the same.
  socket_->Get(Address());
  ASSERT_TRUE(WaitFor([&] { return server_.Connections() == 2 && server_.RequestComplete(); }));
  socket_.reset();
  EXPECT_TRUE(WaitFor([&] { return server_.ClientsClosed(); }));
  EXPECT_EQ(got_.Events(), 0);
}

TEST_F(HTTPSocketTest, AnAddressErrorOfAnAbandonedRequestIsNotRaised) {
  server_.Answer(LoopbackServer::Mode::Reply, LoopbackServer::Reply("second"));
  socket_->Get(QStringLiteral("gopher://nowhere/"));
  GetAndWait(Address());
  EXPECT_EQ(got_.pages, 1);
  EXPECT_EQ(got_.errors, 0);
  EXPECT_EQ(got_.body, QStringLiteral("second"));
}

}  // namespace
