// http: the update check. It fetches the version file from the update host
// and turns the number it begins with into one of three messages.
#pragma once

#include <optional>

#include <QString>

#include "http_socket.h"
#include "songhaul_config.h"

class http : public HTTPSocket {
  Q_OBJECT

public:
  explicit http(QObject* parent = nullptr);

  // The body of the last page received: the version file's text.
  QString urlver;
  // What the remote version is compared with, and where the update message
  // sends the user.
  QString RunningVersion = QString::fromUtf8(config::kAppVersion);
  QString Website = QString::fromUtf8(config::kWebsite);

  // Asks host (host or host:port) for the version file. Create the object
  // with new and keep no reference: it deletes itself once the answer or
  // the failure has been handled.
  void CheckForUpdate(const QString& host = QString::fromUtf8(config::kUpdateHost));

signals:
  // One of the three outcomes. A failed check (no connection, no answer in
  // time, an error status, or a page that does not begin with a version
  // number) emits nothing.
  void UpdateMessage(const QString& text);

protected:
  void PageReceived(const QString& url, int httpStatusCode, const InternetHeaders& headers,
                    const QByteArray& content) override;
  void DownloadComplete(const QString& url, int httpStatusCode, const InternetHeaders& headers,
                        const QString& filePath) override;
  void Error(int code) override;
};

// The path of the version file on the update host.
inline constexpr char kVersionFilePath[] = "/~quillworks/songhaulver.txt";

// The number a version text begins with, as a real number: digits with at
// most one decimal point, so "1.1.2" counts as 1.1 and "1.10" equals "1.1".
// Leading white space is skipped. Empty when the text begins with no digit.
std::optional<double> VersionValue(const QString& text);

// The message for a running version against the released one.
QString UpdateMessageFor(double running, double remote, const QString& website);
