#include "window1.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTreeView>
#include <algorithm>

#include "app.h"
#include "ipod_thread.h"
#include "pictures.h"
#include "platform.h"
#include "song_copier.h"
#include "wfinding.h"
#include "window2.h"

namespace {

constexpr int kContentWidth = 571;
constexpr int kContentHeight = 411;

class PictureCanvas : public QWidget {
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    DrawIpodPicture(painter, QRect(0, 0, 128, 128));
  }
};

QPushButton* NewButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

Window1::Window1(App& app) : app_(app) {
  setObjectName("Window1");
  setWindowTitle("Songhaul");
  setMenuBar(app.Menu());
  QFont font = this->font();
  font.setPointSize(12);
  setFont(font);

  auto* content = new QWidget(this);
  content->setObjectName("content");
  content->setMinimumSize(64, 64);
  content->setMaximumSize(32000, 32000);
  setCentralWidget(content);
  content->installEventFilter(this);

  const Qt::Edges leftTop = Qt::LeftEdge | Qt::TopEdge;
  const Qt::Edges all = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;
  const Qt::Edges rightBottom = Qt::RightEdge | Qt::BottomEdge;
  const Qt::Edges leftBottom = Qt::LeftEdge | Qt::BottomEdge;

  PushButton1 = NewButton("PushButton1", "Find iPod", content);
  Place(PushButton1, {16, 14, 128, 20}, leftTop);

  ListBox1 = new QTreeView(content);
  ListBox1->setObjectName("ListBox1");
  ListBox1->setModel(&songs_);
  ListBox1->setRootIsDecorated(false);
  ListBox1->setUniformRowHeights(true);  // lets the view lay out 10,000 rows at once
  ListBox1->setItemsExpandable(false);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListBox1->header()->setStretchLastSection(false);
  ListBox1->header()->setMinimumSectionSize(0);
  ListBox1->header()->setSectionsMovable(false);
  ListBox1->viewport()->installEventFilter(this);
  Place(ListBox1, {150, 9, 414, 348}, all);

  PopupMenu1 = new QComboBox(content);
  PopupMenu1->setObjectName("PopupMenu1");
  Place(PopupMenu1, {16, 83, 128, 20}, leftTop);

  PushButton2 = NewButton("PushButton2", "Find Songs", content);
  Place(PushButton2, {16, 153, 128, 20}, leftTop);
  PushButton3 = NewButton("PushButton3", "Save file", content);
  Place(PushButton3, {446, 372, 105, 22}, rightBottom);
  PushButton4 = NewButton("PushButton4", "iPod Info", content);
  Place(PushButton4, {16, 121, 128, 20}, leftTop);

  Canvas1 = new PictureCanvas(content);
  Canvas1->setObjectName("Canvas1");
  Place(Canvas1, {16, 198, 128, 128}, leftBottom);

  bMp3info = NewButton("bMp3info", "File infos", content);
  Place(bMp3info, {331, 372, 105, 22}, rightBottom);

  efSearch = new QLineEdit(content);
  efSearch->setObjectName("efSearch");
  QPalette white = efSearch->palette();
  white.setColor(QPalette::Base, Qt::white);
  efSearch->setPalette(white);
  Place(efSearch, {16, 372, 140, 22}, leftBottom);

  PushButton5 = NewButton("PushButton5", "Search", content);
  Place(PushButton5, {168, 372, 105, 22}, leftBottom);
  PushButton6 = NewButton("PushButton6", "Eject iPod", content);
  Place(PushButton6, {16, 46, 128, 20}, leftTop);

  for (QWidget* control : LockGroup()) control->setEnabled(false);

  connect(PushButton1, &QPushButton::clicked, this, &Window1::PushButton1_Action);
  connect(PushButton2, &QPushButton::clicked, this, &Window1::PushButton2_Action);
  connect(PushButton5, &QPushButton::clicked, this, &Window1::PushButton5_Action);
  connect(PushButton3, &QPushButton::clicked, this, &Window1::PushButton3_Action);
  connect(PushButton4, &QPushButton::clicked, this, &Window1::PushButton4_Action);
  connect(PushButton6, &QPushButton::clicked, this, &Window1::PushButton6_Action);
  connect(bMp3info, &QPushButton::clicked, this, &Window1::bMp3info_Action);
  connect(ListBox1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &Window1::ListBox1_Change);

  // The open steps.
  iPods = QStringList{QString()};
  draweropen = false;
  mp3draweropen = false;
  ApplyColumnLayout();

  resize(kContentWidth, kContentHeight + menuBar()->sizeHint().height());
  PlaceControls();
}

Window1::~Window1() { StopScan(); }

QList<QWidget*> Window1::LockGroup() const {
  return {PushButton2, PushButton3, PushButton4, PushButton5, PushButton6, PopupMenu1, efSearch, bMp3info};
}

QMenu* Window1::sd() const { return menuBar()->findChild<QMenu*>("sd"); }
QAction* Window1::prefs() const { return menuBar()->findChild<QAction*>("prefs"); }
QAction* Window1::About() const { return menuBar()->findChild<QAction*>("About"); }
QAction* Window1::AppleCheckforupdates() const {
  return menuBar()->findChild<QAction*>("AppleCheckforupdates");
}

void Window1::Place(QWidget* control, const QRect& design, Qt::Edges edges) {
  anchored_.append({control, design, edges});
  control->setGeometry(design);
}

// Each control keeps its distance to the edges it is anchored to; anchored to
// two opposite edges, it stretches with the window.
void Window1::PlaceControls() {
  const int dx = centralWidget()->width() - kContentWidth;
  const int dy = centralWidget()->height() - kContentHeight;
  for (const Anchored& a : anchored_) {
    QRect r = a.design;
    if (a.edges & Qt::RightEdge) {
      if (a.edges & Qt::LeftEdge)
        r.setWidth(r.width() + dx);
      else
        r.moveLeft(r.left() + dx);
    }
    if (a.edges & Qt::BottomEdge) {
      if (a.edges & Qt::TopEdge)
        r.setHeight(r.height() + dy);
      else
        r.moveTop(r.top() + dy);
    }
    a.control->setGeometry(r);
  }
}

bool Window1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    if (watched == centralWidget())
      PlaceControls();
    else if (watched == ListBox1->viewport())
      ApplyColumnLayout();
  }
  return QMainWindow::eventFilter(watched, event);
}

void Window1::ApplyColumnLayout() {
  columnPercents_ = app_.lbsDetail.load() ? QList<int>{33, 0, 33, 33} : QList<int>{100};
  QHeaderView* header = ListBox1->header();
  const int width = ListBox1->viewport()->width();
  for (int column = 0; column < SongList::kColumnCount; ++column) {
    // The path column is never shown, whatever the widths say.
    int percent = column == SongList::kPath ? 0 : columnPercents_.value(column, 0);
    header->setSectionHidden(column, percent == 0);
    if (percent) header->resizeSection(column, width * percent / 100);
  }
}

QString Window1::SelectedIPod() const {
  int row = PopupMenu1->currentIndex();
  return row >= 0 && row + 1 < iPods.size() ? iPods[row + 1] : QString();
}

// Find iPod: every volume whose root holds an item named "iPod_Control".
void Window1::PushButton1_Action() {
  iPods = QStringList{QString()};
  PopupMenu1->clear();
  for (const Volume& volume : app_.platform().MountedVolumes()) {
    // A plain file of that name counts as well as a folder.
    if (!QFileInfo::exists(QDir(volume.root).filePath("iPod_Control"))) continue;
    songs_.AddRow("Found an iPod : " + volume.name);
    iPods.append(volume.root);
    PopupMenu1->addItem(volume.name);
    // While a scan runs the group stays locked, so that no second scan can
    // start; the scan unlocks it when it ends.
    if (!scan_) {
      app_.unlockbuttons();
      bMp3info->setEnabled(true);
    }
  }
  if (PopupMenu1->count() > 0) PopupMenu1->setCurrentIndex(0);
}

// Find Songs: empties the list and scans the iPod chosen in the popup on a
// thread of its own. Without a chosen iPod there is nothing to scan, and one
// scan at a time fills the list.
void Window1::PushButton2_Action() {
  QString ipod = SelectedIPod();
  if (ipod.isEmpty() || scan_) return;
  songs_.RemoveAllRows();
  ListBox1->setEnabled(false);
  // Locked before the thread starts, so a second press cannot slip in.
  app_.lockbuttons();
  wfinding::Shared(this)->show();

  auto* thread = new iPodThread(this, QDir(ipod).filePath("iPod_Control/Music"), app_.lbsDetail);
  connect(thread, &iPodThread::rowsFound, this, [this](const QList<SongRow>& rows) { songs_.AddRows(rows); });
  connect(thread, &iPodThread::scanDone, this, &Window1::ScanDone);
  connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  scan_ = thread;
  emit scanStarting(thread);
  thread->start();
}

void Window1::ScanDone() {
  if (scan_) scan_->wait();  // it has nothing left to do but return
  scan_ = nullptr;
  app_.unlockbuttons();
  songs_.SortByName();
  if (wfinding* progress = wfinding::Existing()) progress->close();
  ListBox1->setEnabled(true);
  emit scanFinished();
}

void Window1::StopScan() {
  if (!scan_) return;
  scan_->requestInterruption();
  scan_->wait();
  delete scan_.data();
  if (wfinding* progress = wfinding::Existing()) progress->close();
}

// Search: selects the next row after the first selected one whose file name
// matches the field's text as a regular expression, letter case ignored.
void Window1::PushButton5_Action() {
  const QString text = efSearch->text();
  if (text.isEmpty()) return;
  const QRegularExpression pattern("^.*" + text + ".*$", QRegularExpression::CaseInsensitiveOption);
  if (!pattern.isValid()) return;

  int first = -1;
  for (const QModelIndex& index : ListBox1->selectionModel()->selectedRows())
    first = first < 0 ? index.row() : std::min(first, index.row());
  const int count = songs_.rowCount();
  auto select = [this](int row) {
    QModelIndex index = songs_.index(row, SongList::kFileName);
    ListBox1->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListBox1->scrollTo(index);
  };
  // Past the last row there is nothing to move to or find.
  if (first + 1 >= count) return;
  // The selection moves on even when nothing matches: pressing again goes on
  // from there, and the search never wraps to the top.
  select(first + 1);
  for (int row = first + 1; row < count; ++row) {
    if (pattern.match(songs_.Cell(row, SongList::kFileName)).hasMatch()) {
      select(row);
      return;
    }
  }
}

QList<int> Window1::SelectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : ListBox1->selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Save file: one selected row is copied to a file the user names; any other
// number of rows into a folder the user picks, each under its own name.
// Every message says what was really copied.
void Window1::PushButton3_Action() {
  const QList<int> rows = SelectedRows();
  if (rows.size() == 1) {
    const QString name = songs_.Cell(rows[0], SongList::kFileName);
    const QString target = app_.platform().SaveFileName(this, name);
    if (target.isEmpty()) return;
    // An information row has no file behind it.
    const QString source = songs_.Cell(rows[0], SongList::kPath);
    if (source.isEmpty()) return;
    // The save dialog has asked whether to replace a file of that name.
    SongCopier copier({{source, target, false}});
    if (!RunCopy(copier)) return;
    const CopyOutcome& outcome = copier.Outcomes().first();
    if (outcome.result == CopyOutcome::kCopied)
      app_.platform().MessageBox(this, "File copied");
    else if (outcome.result == CopyOutcome::kFailed)
      app_.platform().MessageBox(this, QString("%1 could not be copied: %2.").arg(name, outcome.error));
    return;
  }

  const QString folder = app_.platform().ChooseFolder(this);
  if (folder.isEmpty()) return;
  QList<CopyJob> jobs;
  for (int row : rows) {
    const QString source = songs_.Cell(row, SongList::kPath);
    if (!source.isEmpty()) jobs.append({source, folder, true});
  }
  SongCopier copier(jobs);
  if (!RunCopy(copier)) return;
  app_.platform().MessageBox(this, FolderCopyMessage(copier.Summary()));
}

// Runs a copy to its end. A few small files are copied here at once; more
// go to a thread of their own behind a progress dialog whose Cancel stops
// them, while this window stays drawn. False when the program quit meanwhile.
bool Window1::RunCopy(SongCopier& copier) {
  constexpr int kFewFiles = 3;
  constexpr qint64 kFewBytes = 16 << 20;
  emit copyStarting(&copier);
  const QList<CopyJob>& jobs = copier.Jobs();
  qint64 bytes = 0;
  if (jobs.size() <= kFewFiles)
    for (const CopyJob& job : jobs) bytes += QFileInfo(job.source).size();
  if (jobs.size() <= kFewFiles && bytes <= kFewBytes) {
    copier.Run();
    return true;
  }

  QProgressDialog dialog(this);
  dialog.setObjectName("copyProgress");
  dialog.setWindowTitle("Save file");
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  dialog.setMinimumDuration(0);
  dialog.setRange(0, 1000);
  auto showFile = [&dialog, &jobs](int file) {
    if (file >= 0 && file < jobs.size())
      dialog.setLabelText(QString("Copying %1 of %2: %3")
                              .arg(file + 1)
                              .arg(jobs.size())
                              .arg(QFileInfo(jobs[file].source).fileName()));
  };
  showFile(0);
  connect(&dialog, &QProgressDialog::canceled, &copier, [&copier] { copier.Cancel(); });
  connect(&copier, &SongCopier::progress, &dialog, [&dialog, showFile](qint64 done, qint64 total, int file) {
    showFile(file);
    dialog.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
  });

  QThread* thread = QThread::create([&copier] { copier.Run(); });
  QEventLoop loop;
  connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
  thread->start();
  dialog.show();
  loop.exec();
  // Leaving the loop before the thread ended means the program is quitting.
  const bool ended = thread->isFinished();
  if (!ended) copier.Cancel();
  thread->wait();
  delete thread;
  return ended;
}

// iPod Info: opens the drawer with the chosen iPod's SysInfo text, or closes
// it when it is open. Without SysInfo, or without a chosen iPod, nothing
// opens.
void Window1::PushButton4_Action() {
  if (draweropen) {
    if (Window2* drawer = Window2::Existing()) drawer->close();
    draweropen = false;
    return;
  }
  const QString ipod = SelectedIPod();
  if (ipod.isEmpty()) return;
  QFile sysInfo(QDir(ipod).filePath("iPod_Control/Device/SysInfo"));
  if (!sysInfo.open(QIODevice::ReadOnly)) return;
  const QByteArray text = sysInfo.readAll();
  sysInfo.close();
  Window2* drawer = Window2::Shared(this);
  drawer->ShowDrawer();
  drawer->EditField1->setPlainText(QString::fromUtf8(text));
  draweropen = true;
}

// Eject iPod: unmounts the chosen iPod; once it is gone its songs leave the
// list and the commands that need an iPod are locked until Find iPod.
void Window1::PushButton6_Action() {
  const QString ipod = SelectedIPod();
  if (ipod.isEmpty()) return;
  if (!app_.platform().Unmount(QDir(ipod).filePath("iPod_Control/Music"))) return;
  songs_.RemoveAllRows();
  app_.lockbuttons();
}

std::optional<QString> Window1::SelectedSong() const {
  int first = -1;
  for (const QModelIndex& index : ListBox1->selectionModel()->selectedRows())
    first = first < 0 ? index.row() : std::min(first, index.row());
  if (first < 0) return std::nullopt;
  return songs_.Cell(first, SongList::kPath);
}

void Window1::KeepContentWidth(const std::function<void()>& change) {
  const int before = centralWidget()->width();
  change();
  layout()->activate();
  const int taken = before - centralWidget()->width();
  // A maximized or full-screen window cannot grow; its controls give way.
  if (taken != 0 && !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
    resize(width() + taken, height());
}

w_mp3tag* Window1::Mp3tag() {
  if (!mp3tag_) {
    mp3tag_ = new w_mp3tag(app_.platform().NewMediaPlayer(), [this] { return SelectedSong(); }, this);
    addDockWidget(Qt::RightDockWidgetArea, mp3tag_);
    mp3tag_->hide();
  }
  return mp3tag_;
}

// The song details drawer follows the selection, even while it is closed.
void Window1::ListBox1_Change() {
  std::optional<QString> path = SelectedSong();
  if (songs_.rowCount() == 0 || !path) return;
  Mp3tag()->ShowSong(*path);
}

// File infos: opens the details drawer on the window's right edge, or closes
// it. Closing destroys it, and the song it plays stops with it.
void Window1::bMp3info_Action() {
  if (mp3draweropen) {
    KeepContentWidth([this] { delete mp3tag_.data(); });
    mp3draweropen = false;
  } else {
    KeepContentWidth([this] { Mp3tag()->show(); });
    mp3draweropen = true;
  }
}
