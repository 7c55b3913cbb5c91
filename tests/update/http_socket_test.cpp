#include "http_socket.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "test_server.h"

namespace {

// Records the one event a request ends with.
class Recorder : public HTTPSocket {
public:
  int events = 0;
  QString url;
  int status = 0;
  InternetHeaders headers;
  QByteArray content;
  QString filePath;
  int error = 0;

  bool WaitForEvent(int milliseconds = 5000) {
    return QTest::qWaitFor([this] { return events > 0; }, milliseconds);
  }

protected:
  void PageReceived(const QString& u, int s, const InternetHeaders& h, const QByteArray& c) override {
    ++events;
    url = u;
    status = s;
    headers = h;
    content = c;
  }
  void DownloadComplete(const QString& u, int s, const InternetHeaders& h, const QString& f) override {
    ++events;
    url = u;
    status = s;
    headers = h;
    filePath = f;
  }
  void Error(int code) override {
    ++events;
    error = code;
  }
};

TEST(HTTPSocketTest, PassesStatusHeadersAndBodyOfAnyPage) {
  QByteArray body("<html>\0\r\n\r\nnot found</html>", 29);
  TestServer server("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nX-Spaced:   a b  \r\n\r\n" + body);
  Recorder socket;
  socket.Get(server.Url("/missing"));
  ASSERT_TRUE(socket.WaitForEvent());

  EXPECT_EQ(socket.events, 1);
  EXPECT_EQ(socket.url, server.Url("/missing"));
  EXPECT_EQ(socket.status, 404);
  EXPECT_EQ(socket.headers.Count(), 2);
  EXPECT_EQ(socket.headers.Value("content-TYPE"), "text/html");
  EXPECT_EQ(socket.headers.Value("X-Spaced"), "a b");
  EXPECT_EQ(socket.content, body);
  EXPECT_FALSE(socket.IsPending());
}

TEST(HTTPSocketTest, AcceptsBareLineFeeds) {
  TestServer server(QByteArray("HTTP/1.0 200 OK\nServer: x\n\n1.2\n"));
  Recorder socket;
  socket.Get(server.Url("/v"));
  ASSERT_TRUE(socket.WaitForEvent());
  EXPECT_EQ(socket.status, 200);
  EXPECT_EQ(socket.headers.Value("Server"), "x");
  EXPECT_EQ(socket.content, "1.2\n");
}

TEST(HTTPSocketTest, EmptyPathAsksForTheRoot) {
  TestServer server(TestServer::Response(200, "x"));
  Recorder socket;
  socket.Get(QStringLiteral("http://") + server.Host());
  ASSERT_TRUE(socket.WaitForEvent());
  EXPECT_TRUE(server.request.startsWith("GET / HTTP/1.0\r\n")) << server.request.constData();
}

// Without a port in the URL the socket's Port is used, and Host names no port.
TEST(HTTPSocketTest, DefaultPortIsLeftOutOfTheHostHeader) {
  TestServer server(TestServer::Response(200, "x"));
  Recorder socket;
  socket.Port = server.Port();
  socket.Get(QStringLiteral("http://127.0.0.1/a"));
  ASSERT_TRUE(socket.WaitForEvent());
  EXPECT_EQ(socket.status, 200);
  EXPECT_TRUE(server.request.contains("\r\nHost: 127.0.0.1\r\n")) << server.request.constData();
}

TEST(HTTPSocketTest, BrokenResponsesAreErrors) {
  struct Case {
    const char* name;
    QByteArray response;
    qint64 maximumSize;
    int error;
  };
  const Case cases[] = {
      {"closed at once", "", 1 << 20, HTTPSocket::kBadResponse},
      {"no status line", "1.2\r\n", 1 << 20, HTTPSocket::kBadResponse},
      {"status not a number", "HTTP/1.0 OK\r\n\r\n1.2", 1 << 20, HTTPSocket::kBadResponse},
      {"too large", TestServer::Response(200, QByteArray(5000, 'x')), 1000, HTTPSocket::kResponseTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestServer server(c.response);
    Recorder socket;
    socket.MaximumResponseSize = c.maximumSize;
    socket.Get(server.Url("/v"));
    ASSERT_TRUE(socket.WaitForEvent());
    EXPECT_EQ(socket.events, 1);
    EXPECT_EQ(socket.error, c.error);
  }
}

TEST(HTTPSocketTest, RefusedConnectionIsAnError) {
  Recorder socket;
  socket.Get(QStringLiteral("http://127.0.0.1:%1/v").arg(TestServer::ClosedPort()));
  ASSERT_TRUE(socket.WaitForEvent());
  EXPECT_EQ(socket.events, 1);
  EXPECT_EQ(socket.error, HTTPSocket::kConnectionFailed);
}

TEST(HTTPSocketTest, BadUrlsAreRefusedAfterGetReturns) {
  const char* urls[] = {
      "http://",
      "http://127.0.0.1:99999/v",
      "http://127.0.0.1:eighty/v",
      "http://127.0.0.1/a b",
      "http://127.0.0.1/v\r\nX-Injected: 1",
      "https://127.0.0.1/v",
  };
  for (const char* url : urls) {
    SCOPED_TRACE(url);
    Recorder socket;
    socket.Get(QString::fromLatin1(url));
    EXPECT_EQ(socket.events, 0);
    ASSERT_TRUE(socket.WaitForEvent());
    EXPECT_EQ(socket.error, HTTPSocket::kBadUrl);
  }
}

TEST(HTTPSocketTest, ServerThatNeverAnswersTimesOut) {
  TestServer server(std::nullopt);
  Recorder socket;
  EXPECT_EQ(socket.Timeout, 30000);
  socket.Timeout = 150;
  socket.Get(server.Url("/v"));
  ASSERT_TRUE(socket.WaitForEvent(3000));
  EXPECT_EQ(socket.error, HTTPSocket::kTimedOut);
  EXPECT_FALSE(server.request.isEmpty());  // it did connect and ask
}

TEST(HTTPSocketTest, NewGetAbandonsThePendingOne) {
  TestServer silent(std::nullopt);
  TestServer answering(TestServer::Response(200, "second"));
  Recorder socket;
  socket.Get(silent.Url("/v"));
  socket.Get(answering.Url("/v"));
  ASSERT_TRUE(socket.WaitForEvent());
  QTest::qWait(100);
  EXPECT_EQ(socket.events, 1);
  EXPECT_EQ(socket.content, "second");
}

TEST(HTTPSocketTest, DownloadsIntoAFile) {
  QTemporaryDir dir;
  QString path = dir.filePath("version.txt");
  TestServer server(TestServer::Response(200, "1.2\n"));
  Recorder socket;
  socket.Get(server.Url("/v"), path);
  ASSERT_TRUE(socket.WaitForEvent());
  EXPECT_EQ(socket.events, 1);
  EXPECT_EQ(socket.status, 200);
  EXPECT_EQ(socket.filePath, path);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "1.2\n");

  TestServer again(TestServer::Response(200, "1.2\n"));
  Recorder failing;
  failing.Get(again.Url("/v"), dir.filePath("no/such/folder/version.txt"));
  ASSERT_TRUE(failing.WaitForEvent());
  EXPECT_EQ(failing.error, HTTPSocket::kFileWriteFailed);
}

}  // namespace
