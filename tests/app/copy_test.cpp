#include <QItemSelectionModel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <QTreeView>

#include "app_fixture.h"
#include "song_copier.h"

namespace {

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// An iPod with three songs, scanned, and an empty folder to copy into.
class CopyTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_TRUE(out_.isValid());
    ipod_ = MakeVolume("IPOD", {{"iPod_Control/Music/F00/ABCD.mp3", TestData("id3v2_3.mp3")},
                                {"iPod_Control/Music/F01/EFGH.m4a", TestData("aac_mutagen.m4a")},
                                {"iPod_Control/Music/F02/IJKL.mp3", TestData("untagged.mp3")}});
    Start();
    window_->PushButton1_Action();
    QSignalSpy finished(window_, &Window1::scanFinished);
    window_->PushButton2_Action();
    ASSERT_TRUE(finished.wait(20000)) << "the scan did not finish";
    ASSERT_EQ(window_->Songs().rowCount(), 3);
  }

  QString Song(const QString& name) const {
    for (const char* folder : {"F00", "F01", "F02", "F03"}) {
      QString path = QString("%1/iPod_Control/Music/%2/%3").arg(ipod_, folder, name);
      if (QFileInfo::exists(path)) return path;
    }
    return {};
  }

  void Select(const QList<int>& rows) {
    QItemSelectionModel* selection = window_->ListBox1->selectionModel();
    selection->clearSelection();
    for (int row : rows)
      selection->select(window_->Songs().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  QStringList Copies() const { return QDir(out_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

  QString ipod_;
  QTemporaryDir out_;
};

TEST_F(CopyTest, OneRowIsCopiedUnderTheConfirmedName) {
  Select({0});
  platform_.savedFileName = out_.filePath("mine.mp3");
  window_->PushButton3_Action();
  EXPECT_EQ(platform_.proposedNames, QStringList{"ABCD.mp3"});
  EXPECT_EQ(Copies(), QStringList{"mine.mp3"});
  EXPECT_EQ(Bytes(out_.filePath("mine.mp3")), Bytes(TestData("id3v2_3.mp3")));
  EXPECT_EQ(platform_.messages, QStringList{"File copied"});
  EXPECT_EQ(window_->ListBox1->selectionModel()->selectedRows().size(), 1) << "the selection stays";
}

// The save dialog asked about replacing; a copy that fails keeps the old file
// whole and says why, and leaves no partial copy behind.
TEST_F(CopyTest, OneRowReplacesAFileOnlyWithAWholeCopy) {
  Write(out_.filePath("mine.mp3"), "old");
  platform_.savedFileName = out_.filePath("mine.mp3");
  Select({1});
  window_->PushButton3_Action();
  EXPECT_EQ(Bytes(out_.filePath("mine.mp3")), Bytes(TestData("aac_mutagen.m4a")));
  EXPECT_EQ(platform_.messages, QStringList{"File copied"});

  Write(out_.filePath("mine.mp3"), "old");
  ASSERT_TRUE(QFile::remove(Song("ABCD.mp3")));
  Select({0});
  window_->PushButton3_Action();
  EXPECT_EQ(Bytes(out_.filePath("mine.mp3")), "old");
  EXPECT_EQ(platform_.messages.value(1), "ABCD.mp3 could not be copied: it is no longer on the iPod.");
  EXPECT_EQ(Copies(), QStringList{"mine.mp3"});

  platform_.savedFileName = out_.filePath("no such folder/mine.mp3");
  Select({2});
  window_->PushButton3_Action();
  EXPECT_EQ(platform_.messages.value(2), "IJKL.mp3 could not be copied: No such file or directory.");
  EXPECT_EQ(platform_.messages.size(), 3);
}

TEST_F(CopyTest, OneRowCancelledOrAnInformationRowCopiesNothingAndSaysNothing) {
  Select({0});
  window_->PushButton3_Action();  // the dialog is cancelled
  window_->PushButton1_Action();  // adds "Found an iPod : IPOD" as row 3
  Select({3});
  platform_.savedFileName = out_.filePath("info.mp3");
  window_->PushButton3_Action();
  EXPECT_EQ(platform_.proposedNames, (QStringList{"ABCD.mp3", "Found an iPod : IPOD"}));
  EXPECT_TRUE(Copies().isEmpty());
  EXPECT_TRUE(platform_.messages.isEmpty());
}

// Any number of rows but one goes into a chosen folder; the message counts
// the files really copied and says what went wrong with the others.
TEST_F(CopyTest, SeveralRowsGoIntoTheFolderAndTheMessageCountsRealCopies) {
  struct Case {
    const char* what;
    QList<int> rows;
    const char* removed;  // a song gone from the iPod meanwhile
    bool cancelChooser;
    QStringList copies;
    QStringList messages;
  };
  const QList<Case> cases = {
      {"three rows", {0, 1, 2}, nullptr, false, {"ABCD.mp3", "EFGH.m4a", "IJKL.mp3"}, {"3 files copied"}},
      {"no row", {}, nullptr, false, {}, {"0 files copied"}},
      {"a removed file",
       {0, 1, 2},
       "EFGH.m4a",
       false,
       {"ABCD.mp3", "IJKL.mp3"},
       {"2 files copied\n\n1 file could not be copied:\nEFGH.m4a: it is no longer on the iPod"}},
      {"a cancelled chooser", {0, 2}, nullptr, true, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir out;
    if (c.removed) {
      ASSERT_TRUE(QFile::remove(Song(c.removed)));
    }
    platform_.chosenFolder = c.cancelChooser ? QString() : out.path();
    platform_.messages.clear();
    Select(c.rows);
    window_->PushButton3_Action();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), c.copies);
    EXPECT_EQ(platform_.messages, c.messages);
    for (const QString& name : c.copies) {
      EXPECT_EQ(Bytes(out.filePath(name)), Bytes(Song(name))) << name.toStdString();
    }
  }
}

TEST_F(CopyTest, ATakenNameGetsTheNextFreeOneAndNoFileIsReplaced) {
  Write(out_.filePath("ABCD.mp3"), "mine");
  Write(out_.filePath("ABCD 2.mp3"), "mine too");
  platform_.chosenFolder = out_.path();
  Select({0, 2});
  window_->PushButton3_Action();
  window_->PushButton3_Action();
  EXPECT_EQ(Copies(), (QStringList{"ABCD 2.mp3", "ABCD 3.mp3", "ABCD 4.mp3", "ABCD.mp3", "IJKL 2.mp3", "IJKL.mp3"}));
  EXPECT_EQ(Bytes(out_.filePath("ABCD.mp3")), "mine");
  EXPECT_EQ(Bytes(out_.filePath("ABCD 2.mp3")), "mine too");
  EXPECT_EQ(Bytes(out_.filePath("ABCD 4.mp3")), Bytes(Song("ABCD.mp3")));
  EXPECT_EQ(platform_.messages, (QStringList{"2 files copied", "2 files copied"}));
}

TEST(SongCopierTest, NumberedNameGoesBeforeTheLastExtension) {
  EXPECT_EQ(SongCopier::NumberedName("ABCD.mp3", 2), "ABCD 2.mp3");
  EXPECT_EQ(SongCopier::NumberedName("a.b.m4a", 3), "a.b 3.m4a");
  EXPECT_EQ(SongCopier::NumberedName("README", 2), "README 2");
  EXPECT_EQ(SongCopier::NumberedName(".hidden", 2), ".hidden 2");
}

TEST(SongCopierTest, TheMessageListsTenReasonsAndWhatACancelLeftOut) {
  CopySummary summary;
  summary.copied = 1;
  for (int i = 0; i < 12; ++i) summary.failures.append({QString("S%1.mp3").arg(i), "Input/output error"});
  summary.notTried = 5;
  QString message = FolderCopyMessage(summary);
  EXPECT_TRUE(message.startsWith("1 files copied\n\n12 files could not be copied:\nS0.mp3: Input/output error\n"));
  EXPECT_TRUE(message.contains("S9.mp3")) << message.toStdString();
  EXPECT_FALSE(message.contains("S10.mp3")) << message.toStdString();
  EXPECT_TRUE(message.endsWith("\nand 2 more\n\nCancelled: 5 files were not copied.")) << message.toStdString();
}

// More than a few files: copied on another thread behind a progress dialog,
// whose Cancel stops the copy; the message counts what was copied.
class ManyCopyTest : public CopyTest {
protected:
  void SetUp() override {
    CopyTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(ipod_ + "/iPod_Control/Music/F03"));
    for (int i = 0; i < 5; ++i)
      ASSERT_TRUE(QFile::copy(TestData("untagged.mp3"), QString("%1/iPod_Control/Music/F03/S%2.mp3").arg(ipod_).arg(i)));
    QSignalSpy finished(window_, &Window1::scanFinished);
    window_->PushButton2_Action();
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(window_->Songs().rowCount(), 8);
    Select({0, 1, 2, 3, 4, 5, 6, 7});
    platform_.chosenFolder = out_.path();
  }
};

TEST_F(ManyCopyTest, CopiesOffTheInterfaceThreadBehindAProgressDialog) {
  bool offThread = false;
  bool dialogShown = false;
  QObject::connect(window_, &Window1::copyStarting, [&](SongCopier* copier) {
    QObject::connect(copier, &SongCopier::fileDone, copier,
                     [&] {
                       offThread = QThread::currentThread() != window_->thread();
                       QMetaObject::invokeMethod(
                           window_,
                           [&] {
                             auto* dialog = window_->findChild<QProgressDialog*>("copyProgress");
                             dialogShown = dialog && dialog->isVisible() && dialog->windowModality() == Qt::WindowModal;
                           },
                           Qt::BlockingQueuedConnection);
                     },
                     Qt::DirectConnection);
  });
  window_->PushButton3_Action();
  EXPECT_TRUE(offThread);
  EXPECT_TRUE(dialogShown);
  EXPECT_EQ(Copies().size(), 8);
  EXPECT_EQ(platform_.messages, QStringList{"8 files copied"});
  EXPECT_EQ(window_->findChild<QProgressDialog*>("copyProgress"), nullptr) << "the dialog is gone";
}

TEST_F(ManyCopyTest, CancelStopsTheCopyAndTheMessageCountsWhatWasCopied) {
  QObject::connect(window_, &Window1::copyStarting, [&](SongCopier* copier) {
    QObject::connect(copier, &SongCopier::fileDone, copier,
                     [&](int file) {
                       if (file != 1) return;
                       // Press Cancel while the copy waits, so no more files slip through.
                       QMetaObject::invokeMethod(
                           window_,
                           [&] {
                             auto* dialog = window_->findChild<QProgressDialog*>("copyProgress");
                             dialog->findChild<QPushButton*>()->click();
                           },
                           Qt::BlockingQueuedConnection);
                     },
                     Qt::DirectConnection);
  });
  window_->PushButton3_Action();
  EXPECT_EQ(Copies(), (QStringList{"ABCD.mp3", "EFGH.m4a"}));
  EXPECT_EQ(platform_.messages, QStringList{"2 files copied\n\nCancelled: 6 files were not copied."});
}

}  // namespace
