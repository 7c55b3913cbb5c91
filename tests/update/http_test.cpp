#include "http.h"

#include <algorithm>

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "test_server.h"

namespace {

const QString kSite = QStringLiteral("http://songhaul.test/");
const QString kUpdate = QStringLiteral("An update is released, get it at http://songhaul.test/");
const QString kNewer = QStringLiteral("Your version is newer than the currently available version!");
const QString kCurrent = QStringLiteral("Your software is current.");

struct Outcome {
  bool released = false;  // the check object deleted itself
  QStringList messages;
};

// Runs one update check against host the way the menu does: a new object
// that nobody keeps.
Outcome RunCheck(const QString& host, int timeout = 30000) {
  Outcome outcome;
  QPointer<http> check = new http;
  check->RunningVersion = QStringLiteral("1.1.2");
  check->Website = kSite;
  check->Timeout = timeout;
  QObject::connect(check, &http::UpdateMessage, [&outcome](const QString& text) { outcome.messages << text; });
  check->CheckForUpdate(host);
  outcome.released = QTest::qWaitFor([&check] { return check.isNull(); }, 5000);
  delete check;
  return outcome;
}

TEST(UpdateCheckTest, SendsExactlyTheVersionFileRequest) {
  TestServer server(TestServer::Response(200, "1.1"));
  RunCheck(server.Host());

  QByteArray request = server.request;
  ASSERT_TRUE(request.endsWith("\r\n\r\n")) << request.constData();
  QList<QByteArray> lines = request.chopped(4).split('\n');
  for (QByteArray& line : lines) {
    ASSERT_TRUE(line.endsWith('\r') || &line == &lines.back());
    if (line.endsWith('\r')) line.chop(1);
  }
  EXPECT_EQ(lines.takeFirst(), "GET /~quillworks/songhaulver.txt HTTP/1.0");
  std::sort(lines.begin(), lines.end());
  QList<QByteArray> expected = {"Accept-Language: en", "Accept: */*", "Host: " + server.Host().toLatin1()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lines, expected);
}

TEST(UpdateCheckTest, ComparesVersionsAsNumbers) {
  struct Case {
    QByteArray body;
    QString message;
  };
  const Case cases[] = {
      {"1.2", kUpdate},
      {"1.1.3", kCurrent},  // both sides count as 1.1
      {"1.0", kNewer},
      {"1.2\r\n", kUpdate},
      {"1.2\n<p>release notes</p>", kUpdate},
      {"1.10", kCurrent},
      {"2", kUpdate},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.constData());
    TestServer server(TestServer::Response(200, c.body));
    Outcome outcome = RunCheck(server.Host());
    EXPECT_TRUE(outcome.released);
    EXPECT_EQ(outcome.messages, QStringList{c.message});
  }
}

// None of these says anything about the released version, so the user is
// told nothing, and above all not that their version is newer.
TEST(UpdateCheckTest, ErrorPagesAreFailedChecks) {
  struct Case {
    int status;
    QByteArray body;
  };
  const Case cases[] = {
      {404, "<html><body>Not Found</body></html>"},
      {404, "1.2"},
      {500, "1.0"},
      {301, ""},
      {200, "<html><body>Parked domain</body></html>"},
      {200, ""},
      {200, "version 1.2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((QByteArray::number(c.status) + " " + c.body).toStdString());
    TestServer server(TestServer::Response(c.status, c.body));
    Outcome outcome = RunCheck(server.Host());
    EXPECT_TRUE(outcome.released);
    EXPECT_TRUE(outcome.messages.isEmpty()) << outcome.messages.join('|').toStdString();
  }
}

TEST(UpdateCheckTest, RefusedConnectionShowsNothing) {
  Outcome outcome = RunCheck(QStringLiteral("127.0.0.1:%1").arg(TestServer::ClosedPort()));
  EXPECT_TRUE(outcome.released);
  EXPECT_TRUE(outcome.messages.isEmpty());
}

TEST(UpdateCheckTest, SilentServerIsReleasedAfterTheTimeOut) {
  EXPECT_EQ(http().Timeout, 30000);
  TestServer server(std::nullopt);
  Outcome outcome = RunCheck(server.Host(), 200);
  EXPECT_FALSE(server.request.isEmpty());
  EXPECT_TRUE(outcome.released);
  EXPECT_TRUE(outcome.messages.isEmpty());
}

TEST(UpdateCheckTest, KeepsTheVersionFileText) {
  TestServer server(TestServer::Response(200, "1.2\r\n"));
  auto* check = new http;
  QString urlver;
  QObject::connect(check, &http::UpdateMessage, [&] { urlver = check->urlver; });
  QSignalSpy released(check, &QObject::destroyed);
  check->CheckForUpdate(server.Host());
  ASSERT_TRUE(released.wait(5000));
  EXPECT_EQ(urlver, "1.2\r\n");
}

TEST(VersionValueTest, ReadsTheNumberTheTextBeginsWith) {
  EXPECT_EQ(VersionValue("1.1.2"), 1.1);
  EXPECT_EQ(VersionValue("1.10"), VersionValue("1.1"));
  EXPECT_EQ(VersionValue(" 2.5 beta"), 2.5);
  EXPECT_EQ(VersionValue(".5"), 0.5);
  EXPECT_EQ(VersionValue("3."), 3.0);
  EXPECT_EQ(VersionValue(""), std::nullopt);
  EXPECT_EQ(VersionValue("."), std::nullopt);
  EXPECT_EQ(VersionValue("-1"), std::nullopt);
  EXPECT_EQ(VersionValue("v1.2"), std::nullopt);
}

}  // namespace
