#include "http.h"

std::optional<double> VersionValue(const QString& text) {
  qsizetype start = 0;
  while (start < text.size() && (text[start].isSpace() || text[start] == QChar(0xFEFF))) ++start;
  QString number;
  bool point = false;
  bool digit = false;
  for (qsizetype i = start; i < text.size(); ++i) {
    QChar c = text[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    number += c;
  }
  if (!digit) return std::nullopt;
  return number.toDouble();
}

QString UpdateMessageFor(double running, double remote, const QString& website) {
  if (running < remote) return QStringLiteral("An update is released, get it at ") + website;
  if (remote < running) return QStringLiteral("Your version is newer than the currently available version!");
  return QStringLiteral("Your software is current.");
}

http::http(QObject* parent) : HTTPSocket(parent) {}

void http::CheckForUpdate(const QString& host) {
  Get(QStringLiteral("http://") + host + QLatin1String(kVersionFilePath));
}

void http::PageReceived(const QString&, int httpStatusCode, const InternetHeaders&,
                        const QByteArray& content) {
  urlver = QString::fromUtf8(content);
  // An error page says nothing about the released version, so it counts as
  // a failed check rather than as version 0.
  std::optional<double> remote;
  if (httpStatusCode >= 200 && httpStatusCode <= 299) remote = VersionValue(urlver);
  if (remote) {
    double running = VersionValue(RunningVersion).value_or(0.0);
    emit UpdateMessage(UpdateMessageFor(running, *remote, Website));
  }
  deleteLater();
}

void http::DownloadComplete(const QString&, int, const InternetHeaders&, const QString&) {}

// A failed check shows nothing; the object's work is over all the same.
void http::Error(int) { deleteLater(); }
