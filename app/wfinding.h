// wfinding: the small window shown while the song scan runs. A fresh one is
// opened for every scan and destroyed when the scan closes it.
#pragma once

#include <QDialog>

class QLabel;

class wfinding : public QDialog {
  Q_OBJECT
public:
  // The shared instance, created on first reference.
  static wfinding* Shared(QWidget* parent);
  // The shared instance if one is open, else nullptr.
  static wfinding* Existing();

  QLabel* StaticText1;
  QWidget* AppIconCanvas;

private:
  explicit wfinding(QWidget* parent);
};
