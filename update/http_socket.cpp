#include "http_socket.h"

#include <QSaveFile>
#include <QTcpSocket>

namespace {

struct RequestTarget {
  QString host;
  int port = 0;
  QString hostHeader;  // host, and the port when the URL gives one
  QString path;
};

// Request lines are sent as they are, so anything that could end a line or a
// field early (controls, spaces) or that is not ASCII is refused.
bool IsRequestText(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x21 || c.unicode() > 0x7E) return false;
  }
  return true;
}

bool ParseUrl(const QString& url, int defaultPort, RequestTarget& target) {
  qsizetype start = url.indexOf(QLatin1String("://"));
  if (start < 0) {
    start = 0;
  } else {
    // Plain HTTP only: sending a request in clear to an https:// server is no use.
    if (url.left(start).compare(QLatin1String("http"), Qt::CaseInsensitive) != 0) return false;
    start += 3;
  }
  qsizetype slash = url.indexOf('/', start);
  target.hostHeader = slash < 0 ? url.mid(start) : url.mid(start, slash - start);
  target.path = slash < 0 ? QString() : url.mid(slash);
  if (target.path.isEmpty()) target.path = QStringLiteral("/");
  if (!IsRequestText(target.hostHeader) || !IsRequestText(target.path)) return false;

  // A bracketed IPv6 address holds colons of its own.
  qsizetype hostEnd = target.hostHeader.startsWith('[') ? target.hostHeader.indexOf(']') + 1 : 0;
  qsizetype colon = target.hostHeader.indexOf(':', hostEnd);
  target.host = colon < 0 ? target.hostHeader : target.hostHeader.left(colon);
  if (target.host.startsWith('[') && target.host.endsWith(']')) target.host = target.host.mid(1, target.host.size() - 2);
  if (target.host.isEmpty()) return false;
  target.port = defaultPort;
  if (colon >= 0) {
    bool ok = false;
    target.port = target.hostHeader.mid(colon + 1).toInt(&ok);
    if (!ok) return false;
  }
  return target.port >= 1 && target.port <= 65535;
}

// The response up to its first empty line, or all of it when it has none.
qsizetype HeaderEnd(const QByteArray& response, qsizetype& bodyStart) {
  qsizetype crlf = response.indexOf("\r\n\r\n");
  qsizetype lf = response.indexOf("\n\n");
  if (crlf >= 0 && (lf < 0 || crlf <= lf)) {
    bodyStart = crlf + 4;
    return crlf;
  }
  if (lf >= 0) {
    bodyStart = lf + 2;
    return lf;
  }
  bodyStart = response.size();
  return response.size();
}

// The status code is the second field of "HTTP/1.x 200 OK"; 0 when the line
// is not a status line.
int StatusCode(const QByteArray& statusLine) {
  QList<QByteArray> fields = statusLine.simplified().split(' ');
  if (fields.size() < 2 || !fields[0].startsWith("HTTP/")) return 0;
  bool ok = false;
  int code = fields[1].toInt(&ok);
  return ok && code >= 100 && code <= 999 ? code : 0;
}

InternetHeaders ParseHeaders(const QList<QByteArray>& lines) {
  InternetHeaders headers;
  for (const QByteArray& line : lines) {
    qsizetype colon = line.indexOf(':');
    if (colon <= 0) continue;
    headers.AppendHeader(QString::fromLatin1(line.left(colon).trimmed()),
                         QString::fromLatin1(line.mid(colon + 1).trimmed()));
  }
  return headers;
}

}  // namespace

void InternetHeaders::AppendHeader(const QString& name, const QString& value) {
  headers_.append({name, value});
}

void InternetHeaders::SetHeader(const QString& name, const QString& value) {
  headers_.removeIf([&](const QPair<QString, QString>& header) {
    return header.first.compare(name, Qt::CaseInsensitive) == 0;
  });
  AppendHeader(name, value);
}

QString InternetHeaders::Value(const QString& name) const {
  for (const auto& header : headers_) {
    if (header.first.compare(name, Qt::CaseInsensitive) == 0) return header.second;
  }
  return QString();
}

HTTPSocket::HTTPSocket(QObject* parent) : QObject(parent) {
  RequestHeaders.AppendHeader(QStringLiteral("Accept"), QStringLiteral("*/*"));
  RequestHeaders.AppendHeader(QStringLiteral("Accept-Language"), QStringLiteral("en"));
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { Fail(kTimedOut); });
}

HTTPSocket::~HTTPSocket() { ReleaseSocket(); }

void HTTPSocket::Get(const QString& url) { Start(url, QString()); }

void HTTPSocket::Get(const QString& url, const QString& filePath) { Start(url, filePath); }

void HTTPSocket::PageReceived(const QString&, int, const InternetHeaders&, const QByteArray&) {}

void HTTPSocket::DownloadComplete(const QString&, int, const InternetHeaders&, const QString&) {}

void HTTPSocket::Error(int) {}

void HTTPSocket::Start(const QString& url, const QString& filePath) {
  ReleaseSocket();
  timer_.stop();
  ++request_;
  pending_ = true;
  url_ = url;
  filePath_ = filePath;
  response_.clear();

  RequestTarget target;
  if (!ParseUrl(url, Port, target)) {
    // Events never arrive from inside Get, so that a caller can finish
    // setting up after it returns.
    unsigned request = request_;
    QTimer::singleShot(0, this, [this, request] {
      if (request == request_) Fail(kBadUrl);
    });
    return;
  }

  InternetHeaders headers = RequestHeaders;
  headers.SetHeader(QStringLiteral("Host"), target.hostHeader);
  request_bytes_ = "GET " + target.path.toLatin1() + " HTTP/1.0\r\n";
  for (int i = 0; i < headers.Count(); ++i) {
    request_bytes_ += headers.Name(i).toLatin1() + ": " + headers.Value(i).toLatin1() + "\r\n";
  }
  request_bytes_ += "\r\n";

  socket_ = new QTcpSocket(this);
  connect(socket_, &QTcpSocket::connected, this, &HTTPSocket::SendRequest);
  connect(socket_, &QTcpSocket::readyRead, this, &HTTPSocket::ReadResponse);
  connect(socket_, &QTcpSocket::disconnected, this, &HTTPSocket::FinishResponse);
  connect(socket_, &QTcpSocket::errorOccurred, this, &HTTPSocket::SocketFailed);
  timer_.start(Timeout);
  socket_->connectToHost(target.host, static_cast<quint16>(target.port));
}

void HTTPSocket::SendRequest() { socket_->write(request_bytes_); }

void HTTPSocket::ReadResponse() {
  response_ += socket_->readAll();
  if (response_.size() > MaximumResponseSize) Fail(kResponseTooLarge);
}

void HTTPSocket::SocketFailed() {
  // An HTTP/1.0 server ends its response by closing the connection; the
  // disconnected signal that follows completes the page.
  if (socket_->error() == QAbstractSocket::RemoteHostClosedError) return;
  Fail(kConnectionFailed);
}

void HTTPSocket::FinishResponse() {
  if (!pending_) return;
  ReadResponse();
  if (!pending_) return;

  qsizetype bodyStart = 0;
  qsizetype headerEnd = HeaderEnd(response_, bodyStart);
  QList<QByteArray> lines = response_.left(headerEnd).split('\n');
  for (QByteArray& line : lines) {
    if (line.endsWith('\r')) line.chop(1);
  }
  int status = StatusCode(lines.first());
  if (status == 0) {
    Fail(kBadResponse);
    return;
  }
  lines.removeFirst();
  InternetHeaders headers = ParseHeaders(lines);
  QByteArray content = response_.mid(bodyStart);
  QString url = url_;
  QString filePath = filePath_;

  // Done before the event, which may start another request or delete this object.
  pending_ = false;
  timer_.stop();
  ReleaseSocket();
  response_.clear();

  if (filePath.isEmpty()) {
    PageReceived(url, status, headers, content);
    return;
  }
  QSaveFile file(filePath);
  if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
    Error(kFileWriteFailed);
    return;
  }
  DownloadComplete(url, status, headers, filePath);
}

void HTTPSocket::Fail(int code) {
  if (!pending_) return;
  pending_ = false;
  timer_.stop();
  ReleaseSocket();
  response_.clear();
  Error(code);
}

void HTTPSocket::ReleaseSocket() {
  if (socket_ == nullptr) return;
  socket_->disconnect(this);
  socket_->abort();
  socket_->deleteLater();
  socket_ = nullptr;
}
