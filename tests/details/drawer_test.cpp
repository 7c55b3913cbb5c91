#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeView>

#include "app_fixture.h"
#include "w_mp3tag.h"

namespace {

class DrawerTest : public AppTest {
protected:
  // The main window with one row per sample song, as a scan leaves it.
  void StartWithSongs(const QStringList& names) {
    Start();
    QList<SongRow> rows;
    for (const QString& name : names) rows.append({name, TestData(name.toUtf8().constData()), {}, {}, {}});
    window_->Songs().AddRows(rows);
  }
  void Select(int row, QItemSelectionModel::SelectionFlags how = QItemSelectionModel::ClearAndSelect) {
    window_->ListBox1->selectionModel()->select(window_->Songs().index(row, 0),
                                                how | QItemSelectionModel::Rows);
  }
  w_mp3tag* Drawer() { return window_->ExistingMp3tag(); }
  FakeMediaPlayer& Player() { return *platform_.lastPlayer; }
  // What the value texts show: artist, album, title, track, size, year.
  QStringList Texts() {
    w_mp3tag* d = Drawer();
    return {d->stArtist->text(), d->stAlbum->text(), d->stTitle->text(),
            d->stTrack->text(),  d->stSizeinmb->text(), d->stYear->text()};
  }
};

TEST_F(DrawerTest, ControlsHaveTheirTextsPlacesAndStartingValues) {
  StartWithSongs({"id3v2_3.mp3"});
  window_->bMp3info_Action();
  w_mp3tag* d = Drawer();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->widget()->size(), QSize(450, 200));
  struct Expected {
    QWidget* control;
    QString text;
    QRect geometry;
  };
  const Expected table[] = {
      {d->GroupBox1, "Infos", {6, 4, 437, 113}},      {d->StaticText3, "Artist:", {12, 27, 100, 20}},
      {d->stArtist, "", {62, 27, 335, 20}},           {d->StaticText1, "Album:", {12, 48, 100, 20}},
      {d->stAlbum, "", {62, 48, 335, 20}},            {d->StaticText2, "Title:", {12, 69, 100, 20}},
      {d->stTitle, "", {62, 69, 335, 20}},            {d->StaticText4, "Track:", {12, 89, 100, 20}},
      {d->stTrack, "", {62, 89, 150, 20}},            {d->StaticText6, "Size:", {224, 89, 100, 20}},
      {d->stSizeinmb, "", {261, 89, 100, 20}},        {d->StaticText8, "Year:", {336, 89, 33, 20}},
      {d->stYear, "", {373, 89, 61, 20}},             {d->GroupBox2, "Player", {6, 117, 437, 76}},
      {d->bPlay, "Play", {22, 138, 90, 20}},          {d->PushButton1, "Stop", {22, 164, 90, 20}},
      {d->StaticText5, "Volume", {165, 134, 100, 20}}, {d->slVolume, "", {224, 138, 161, 16}},
      {d->StaticText7, "Pitch", {165, 164, 100, 20}}, {d->slPitch, "", {224, 168, 161, 16}},
      {d->stPitch, "0%", {398, 164, 36, 20}},
  };
  for (const Expected& e : table) {
    SCOPED_TRACE(e.control->objectName().toStdString());
    if (auto* label = qobject_cast<QLabel*>(e.control)) {
      EXPECT_EQ(label->text(), e.text);
    }
    if (auto* button = qobject_cast<QPushButton*>(e.control)) {
      EXPECT_EQ(button->text(), e.text);
    }
    if (auto* group = qobject_cast<QGroupBox*>(e.control)) {
      EXPECT_EQ(group->title(), e.text);
    }
    EXPECT_EQ(e.control->geometry(), e.geometry);
    EXPECT_EQ(e.control->font().pixelSize(), 12);
  }
  EXPECT_TRUE(d->StaticText3->font().bold());
  EXPECT_FALSE(d->StaticText5->font().bold());
  EXPECT_EQ(d->slVolume->minimum(), 0);
  EXPECT_EQ(d->slVolume->maximum(), 256);
  EXPECT_EQ(d->slVolume->value(), 200);
  EXPECT_EQ(d->slPitch->minimum(), -100);
  EXPECT_EQ(d->slPitch->maximum(), 100);
  EXPECT_EQ(d->slPitch->value(), 0);
  // The player starts at the volume the slider shows.
  EXPECT_EQ(Player().volume, 200);
}

TEST_F(DrawerTest, ShowsTheTagsOfTheSelectedSong) {
  StartWithSongs(
      {"id3v2_3.mp3", "id3v1_1.mp3", "aac_mutagen.m4a", "untagged.mp3", "id3v1.mp3", "missing.mp3"});
  struct Expected {
    int row;
    QStringList texts;
  };
  // In this order, so an empty track follows a song that had one.
  const Expected table[] = {
      {0, {"The Testers", "Fixtures", "Café Ünïcode", "5 of 12", "0.01 MB", "2005"}},
      {1, {"The Testers", "Fixtures", "Evening Song", "7 of ", "0.06 MB", "2004"}},  // no total
      {2, {"Björk Ålund", "Über Straße", "Café Noir", "5 of 9", "0.01 MB", "2004"}},
      {3, {"", "", "", "", "0.01 MB", ""}},  // no tags: the audio's size only
      {0, {"The Testers", "Fixtures", "Café Ünïcode", "5 of 12", "0.01 MB", "2005"}},
      {4, {"The Testers", "Fixtures", "Morning Light", "", "0.06 MB", "2003"}},  // no track number
      {5, {"", "", "", "", " MB", ""}},  // cannot be opened
  };
  for (const Expected& e : table) {
    Select(e.row);
    ASSERT_NE(Drawer(), nullptr);
    EXPECT_EQ(Texts(), e.texts) << "row " << e.row;
  }
  // Selecting made the drawer but did not show it.
  EXPECT_FALSE(Drawer()->isVisible());
  EXPECT_FALSE(window_->mp3draweropen);
}

TEST_F(DrawerTest, PitchSetsTheRateAndItsText) {
  StartWithSongs({"id3v2_3.mp3"});
  w_mp3tag* d = window_->Mp3tag();
  const struct {
    int pitch;
    const char* text;
    double rate;
  } table[] = {
      {-100, "-10%", 0.9}, {55, "5.5%", 1.055}, {100, "10%", 1.1}, {-5, "-0.5%", 0.995}, {0, "0%", 1.0}};
  for (const auto& e : table) {
    d->slPitch->setValue(e.pitch);
    EXPECT_EQ(d->stPitch->text(), e.text) << e.pitch;
    EXPECT_DOUBLE_EQ(Player().rate, e.rate) << e.pitch;
    EXPECT_FALSE(Player().playing) << "a rate change started the player";
  }
  // Play takes the slider's rate; moving the slider changes the speed of the
  // song playing.
  Select(0);
  d->slPitch->setValue(-30);
  d->bPlay_Action();
  EXPECT_DOUBLE_EQ(Player().rate, 0.97);
  d->slPitch->setValue(20);
  EXPECT_DOUBLE_EQ(Player().rate, 1.02);
  EXPECT_TRUE(Player().playing);
  d->slVolume->setValue(128);
  EXPECT_EQ(Player().volume, 128);
}

TEST_F(DrawerTest, StopRewindsAndResetsThePitchButKeepsTheSongAndVolume) {
  StartWithSongs({"id3v2_3.mp3"});
  Select(0);
  w_mp3tag* d = Drawer();
  d->slVolume->setValue(40);
  d->slPitch->setValue(70);
  d->bPlay_Action();
  Player().position = 1500;  // as if it had played a while
  d->PushButton1_Action();
  EXPECT_FALSE(Player().playing);
  EXPECT_EQ(Player().position, 0);
  EXPECT_DOUBLE_EQ(Player().rate, 1.0);
  EXPECT_EQ(d->slPitch->value(), 0);
  EXPECT_EQ(d->stPitch->text(), "0%");
  EXPECT_EQ(d->slVolume->value(), 40);
  EXPECT_EQ(Player().volume, 40);
  EXPECT_EQ(Player().loaded, TestData("id3v2_3.mp3"));
  d->bPlay_Action();
  EXPECT_TRUE(Player().playing);
}

TEST_F(DrawerTest, SelectionStopsThePlayingSongAndPlayTakesTheFirstSelectedRow) {
  StartWithSongs({"id3v2_3.mp3", "id3v1.mp3", "aac_ffmpeg.m4a"});
  w_mp3tag* d = window_->Mp3tag();
  d->bPlay_Action();
  EXPECT_EQ(Player().loaded, QString()) << "Play without a selection loaded something";
  EXPECT_FALSE(Player().playing);

  Select(0);
  d->slPitch->setValue(-50);
  d->bPlay_Action();
  Player().position = 900;
  Select(2);
  EXPECT_FALSE(Player().playing) << "the new selection did not stop the song";
  EXPECT_EQ(Player().position, 0);
  EXPECT_EQ(d->slPitch->value(), 0);
  EXPECT_DOUBLE_EQ(Player().rate, 1.0);
  EXPECT_EQ(Player().loaded, TestData("id3v2_3.mp3")) << "stays attached until Play";
  EXPECT_EQ(d->stTitle->text(), "Morning Light");

  // Rows 2 and 1 selected, in that order: the lower row counts.
  Select(1, QItemSelectionModel::Select);
  EXPECT_EQ(d->stTitle->text(), "Morning Light");
  EXPECT_EQ(d->stTrack->text(), "") << "shows row 1, an ID3v1 song without a track";
  d->bPlay_Action();
  EXPECT_EQ(Player().loaded, TestData("id3v1.mp3"));
  EXPECT_TRUE(Player().playing);
  // Play while playing starts the selected song again from the beginning.
  Player().position = 700;
  d->bPlay_Action();
  EXPECT_EQ(Player().position, 0);
  EXPECT_TRUE(Player().playing);

  window_->ListBox1->clearSelection();
  EXPECT_EQ(d->stTitle->text(), "Morning Light") << "no selection leaves the drawer as it was";
}

TEST_F(DrawerTest, OpensOnTheRightWideningTheWindowAndClosingDestroysIt) {
  StartWithSongs({"id3v2_3.mp3", "id3v1.mp3"});
  const QSize window = window_->size();
  const QSize content = window_->centralWidget()->size();

  // Selecting while closed, then opening, shows the last selected song.
  Select(1);
  Select(0);
  window_->bMp3info_Action();
  QPointer<w_mp3tag> first = Drawer();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(window_->mp3draweropen);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->stTitle->text(), "Café Ünïcode");
  EXPECT_EQ(window_->dockWidgetArea(first), Qt::RightDockWidgetArea);
  EXPECT_GE(first->geometry().left(), window_->centralWidget()->geometry().right());
  EXPECT_EQ(window_->centralWidget()->size(), content) << "the main controls lost room to the drawer";
  EXPECT_GE(window_->width(), window.width() + 450);

  first->slVolume->setValue(20);
  first->slPitch->setValue(30);
  first->bPlay_Action();
  window_->bMp3info_Action();
  EXPECT_FALSE(window_->mp3draweropen);
  EXPECT_TRUE(first.isNull()) << "closing kept the drawer";
  EXPECT_EQ(window_->size(), window);
  EXPECT_EQ(window_->centralWidget()->size(), content);

  // A third press makes a new, empty drawer at its starting values.
  window_->bMp3info_Action();
  w_mp3tag* second = Drawer();
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->isVisible());
  EXPECT_EQ(Texts(), QStringList(6, QString()));
  EXPECT_EQ(second->slVolume->value(), 200);
  EXPECT_EQ(second->slPitch->value(), 0);
  EXPECT_EQ(second->stPitch->text(), "0%");
  EXPECT_TRUE(Player().loaded.isEmpty());
  Select(1);
  EXPECT_EQ(second->stTitle->text(), "Morning Light");
}

}  // namespace
