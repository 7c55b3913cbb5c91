// HTTPSocket: an asynchronous HTTP/1.0 client for small pages, over QTcpSocket.
//
// Get returns at once; the outcome arrives later, on the thread that owns the
// object, as exactly one event: PageReceived (or DownloadComplete, for a
// download to a file) once the server has sent the response and closed the
// connection, or Error. Subclasses handle the events by overriding them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>

class QTcpSocket;

// The header lines of a request or a response, in the order given. Names are
// matched without regard to letter case.
class InternetHeaders {
public:
  void AppendHeader(const QString& name, const QString& value);
  // Replaces every header of that name with one line holding value.
  void SetHeader(const QString& name, const QString& value);
  // The value of the first header of that name, empty when there is none.
  QString Value(const QString& name) const;

  int Count() const { return static_cast<int>(headers_.size()); }
  QString Name(int index) const { return headers_.at(index).first; }
  QString Value(int index) const { return headers_.at(index).second; }

private:
  QList<QPair<QString, QString>> headers_;
};

class HTTPSocket : public QObject {
  Q_OBJECT

public:
  // Codes of the Error event.
  enum ErrorCode : int {
    kBadUrl = 1,             // no host, a bad port, or a character not allowed in a request line
    kConnectionFailed = 2,   // host not found, connection refused or reset, any other socket failure
    kTimedOut = 3,           // no complete response within Timeout
    kBadResponse = 4,        // the connection closed before a status line came
    kResponseTooLarge = 5,   // more than MaximumResponseSize bytes
    kFileWriteFailed = 6,    // a download's file could not be written
  };

  explicit HTTPSocket(QObject* parent = nullptr);
  ~HTTPSocket() override;

  // Sent with every request: "Accept" and "Accept-Language" to begin with;
  // "Host" is set from each request's URL.
  InternetHeaders RequestHeaders;
  // Port used when the URL names none.
  int Port = 80;
  // Milliseconds from Get to the end of the response; then the request is
  // abandoned with kTimedOut.
  int Timeout = 30000;
  // The whole response, headers included, is held in memory; this bounds it.
  qint64 MaximumResponseSize = 1 << 20;

  // Fetches url ("http://host[:port]/path") into memory, then raises
  // PageReceived. A request still pending is abandoned without an event.
  void Get(const QString& url);
  // Fetches url into the file at filePath, then raises DownloadComplete.
  void Get(const QString& url, const QString& filePath);
  bool IsPending() const { return pending_; }

protected:
  virtual void PageReceived(const QString& url, int httpStatusCode,
                            const InternetHeaders& headers, const QByteArray& content);
  virtual void DownloadComplete(const QString& url, int httpStatusCode,
                                const InternetHeaders& headers, const QString& filePath);
  virtual void Error(int code);

private:
  void Start(const QString& url, const QString& filePath);
  void SendRequest();
  void ReadResponse();
  void FinishResponse();
  void SocketFailed();
  void Fail(int code);
  void ReleaseSocket();

  QTcpSocket* socket_ = nullptr;
  QTimer timer_;
  bool pending_ = false;
  unsigned request_ = 0;  // tells a late event of an abandoned request from the current one
  QString url_;
  QString filePath_;
  QByteArray request_bytes_;
  QByteArray response_;
};
