// Window1: the main window. Down its left side "Find iPod", "Eject iPod", the
// popup of iPods found, "iPod Info", "Find Songs" and the iPod picture; the
// song list on the right; the search field, "Search", "File infos" and
// "Save file" along the bottom.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <functional>
#include <optional>

#include "ipod_thread.h"
#include "song_list.h"
#include "w_mp3tag.h"

class App;
class SongCopier;
class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeView;

class Window1 : public QMainWindow {
  Q_OBJECT
public:
  explicit Window1(App& app);
  ~Window1() override;

  // Root folders of the iPods found; entry 0 is a placeholder, so popup row k
  // is entry k + 1.
  QStringList iPods;
  bool draweropen = false;
  bool mp3draweropen = false;

  // Controls, in the order they are created.
  QPushButton* PushButton1;  // "Find iPod"
  QTreeView* ListBox1;
  QComboBox* PopupMenu1;
  QPushButton* PushButton2;  // "Find Songs"
  QPushButton* PushButton3;  // "Save file"
  QPushButton* PushButton4;  // "iPod Info"
  QWidget* Canvas1;
  QPushButton* bMp3info;  // "File infos"
  QLineEdit* efSearch;
  QPushButton* PushButton5;  // "Search"
  QPushButton* PushButton6;  // "Eject iPod"

  // The controls that lockbuttons and unlockbuttons act on.
  QList<QWidget*> LockGroup() const;

  // The rows behind ListBox1.
  SongList& Songs() { return songs_; }

  // The menu bar's items by name.
  QMenu* sd() const;
  QAction* prefs() const;
  QAction* About() const;
  QAction* AppleCheckforupdates() const;

  // Column widths for the details flag: three visible columns, or the file
  // name alone. Applied on open and again when the preferences change.
  void ApplyColumnLayout();

  // The iPod's root folder chosen in the popup, or empty when none is.
  QString SelectedIPod() const;
  // The scan that is running, if any.
  iPodThread* RunningScan() const { return scan_; }
  // Stops a running scan and waits for its thread to end.
  void StopScan();

  // The song details drawer, created hidden on first reference.
  w_mp3tag* Mp3tag();
  // The details drawer if it exists, else nullptr.
  w_mp3tag* ExistingMp3tag() const { return mp3tag_; }
  // Column 1 of the list's first selected row, or nothing when no row is
  // selected.
  std::optional<QString> SelectedSong() const;

  // Handlers.
  void PushButton1_Action();  // Find iPod
  void PushButton2_Action();  // Find Songs
  void PushButton5_Action();  // Search
  void PushButton3_Action();  // Save file
  void PushButton4_Action();  // iPod Info
  void PushButton6_Action();  // Eject iPod
  void ListBox1_Change();
  void bMp3info_Action();  // File infos

signals:
  // A scan's thread is about to start: a test can connect to it here.
  void scanStarting(iPodThread* thread);
  // The song scan has put its rows in order and enabled the controls.
  void scanFinished();
  // Save file is about to copy: a test can connect to the copier here.
  void copyStarting(SongCopier* copier);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct Anchored {
    QWidget* control;
    QRect design;  // geometry in the 571 x 411 content area
    Qt::Edges edges;
  };

  void Place(QWidget* control, const QRect& design, Qt::Edges edges);
  void PlaceControls();
  void ScanDone();
  QList<int> SelectedRows() const;
  bool RunCopy(SongCopier& copier);
  // Runs change, which opens or closes a drawer, and widens or narrows the
  // window by as much as the drawer takes, so the main controls keep their
  // size.
  void KeepContentWidth(const std::function<void()>& change);

  App& app_;
  SongList songs_;
  QList<Anchored> anchored_;
  QList<int> columnPercents_;
  QPointer<iPodThread> scan_;
  QPointer<w_mp3tag> mp3tag_;
};
