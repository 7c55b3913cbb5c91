// A web server on 127.0.0.1 for one request at a time: it reads the request
// up to its empty line, keeps it, sends the canned response and closes the
// connection, as an HTTP/1.0 server does. Without a response it accepts
// the connection and never answers.
#pragma once

#include <optional>

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

class TestServer {
public:
  explicit TestServer(std::optional<QByteArray> response) : response_(std::move(response)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      QTcpSocket* client = server_.nextPendingConnection();
      QObject::connect(client, &QTcpSocket::readyRead, client, [this, client] {
        request += client->readAll();
        if (!response_ || !request.contains("\r\n\r\n")) return;
        client->write(*response_);
        client->disconnectFromHost();
      });
    });
  }

  quint16 Port() const { return server_.serverPort(); }
  QString Host() const { return QStringLiteral("127.0.0.1:") + QString::number(Port()); }
  QString Url(const QString& path) const { return QStringLiteral("http://") + Host() + path; }

  static QByteArray Response(int status, const QByteArray& body) {
    return "HTTP/1.0 " + QByteArray::number(status) + " Whatever\r\nContent-Type: text/plain\r\n\r\n" + body;
  }

  // A port on which nothing listens, so connecting to it is refused.
  static quint16 ClosedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    quint16 port = probe.serverPort();
    probe.close();
    return port;
  }

  QByteArray request;

private:
  QTcpServer server_;
  std::optional<QByteArray> response_;
};
