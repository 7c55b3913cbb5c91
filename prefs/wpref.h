// wpref: the preferences window, with its one setting, the details flag
// ("Details (Artist + Track)"). "Ok" stores the flag, applies it to the song
// list at once and hides the window; closing it any other way stores nothing
// and destroys it.
#pragma once

#include <QWidget>
#include <atomic>
#include <functional>

class QCheckBox;
class QGroupBox;
class QPushButton;

class wpref : public QWidget {
  Q_OBJECT
public:
  // lbsDetail: the application's details flag, read when the window opens and
  // set by "Ok". applyColumnLayout: lays out the song list's columns for the
  // flag.
  wpref(std::atomic<bool>& lbsDetail, std::function<void()> applyColumnLayout, QWidget* parent);

  // Handlers.
  void Open();
  void PushButton1_Action();  // Ok

  QGroupBox* GroupBox1;
  QCheckBox* cbDetail;
  QPushButton* PushButton1;

private:
  std::atomic<bool>& lbsDetail_;
  std::function<void()> applyColumnLayout_;
};
