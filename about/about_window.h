// AboutWindow: the about box, with the application's picture, name, version
// and copyright notice, and optionally a scrolling credits field.
#pragma once

#include <QDialog>

class QLabel;
class QPainter;
class SAEditField;

class AboutWindow : public QDialog {
  Q_OBJECT

public:
  // The one about window, created on first use. Closing it destroys it; the
  // next call makes a new one.
  static AboutWindow* Instance();

  // Whether the credits field is shown.
  bool UseCredits = false;

  // Sets UseCredits, fills and arranges the window, and shows it.
  void Show(bool useCredits);
  void SetupWindow();
  // Puts text into the credits field; with styled, its markup is turned into
  // bold, italic and text sizes and removed (see credits_markup.h).
  void SetCreditsFieldText(const QString& text, bool styled);

  // Close and Close Window menu commands: close the window while it is the
  // active one.
  void FileClose();
  void FileCloseWindow();

  QWidget* AppIconCanvas;
  QLabel* StatAppName;
  QLabel* StatAppVersion;
  SAEditField* EditAppCredits;
  QLabel* StatAppCopyright;

  static const QString kCopyright;
  static const QString kCredits;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  explicit AboutWindow(QWidget* parent = nullptr);
  void AppIconCanvas_Paint(QPainter& painter);

};
