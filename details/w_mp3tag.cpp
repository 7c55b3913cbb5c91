#include "w_mp3tag.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "audio_tag.h"
#include "platform.h"

namespace {

constexpr int kDrawerWidth = 450;
constexpr int kDrawerHeight = 200;

QLabel* NewLabel(const char* name, const QString& text, const QRect& place, bool bold, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(place);
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  return label;
}

QGroupBox* NewGroup(const char* name, const char* title, const QRect& place, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(name);
  group->setGeometry(place);
  return group;
}

QPushButton* NewButton(const char* name, const char* caption, const QRect& place, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(place);
  return button;
}

QSlider* NewSlider(const char* name, int minimum, int maximum, int value, const QRect& place,
                   QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setRange(minimum, maximum);
  slider->setValue(value);
  slider->setGeometry(place);
  return slider;
}

}  // namespace

w_mp3tag::w_mp3tag(std::unique_ptr<MediaPlayer> player, SelectedSong selectedSong, QWidget* parent)
    : QDockWidget(parent), player_(std::move(player)), selectedSong_(std::move(selectedSong)) {
  setObjectName("w_mp3tag");
  setWindowTitle("File infos");
  // A drawer: fixed to its edge, without a title bar, closed only by the
  // main window's "File infos".
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::RightDockWidgetArea);
  setTitleBarWidget(new QWidget(this));

  auto* content = new QWidget(this);
  content->setObjectName("content");
  content->setFixedSize(kDrawerWidth, kDrawerHeight);
  // The places were laid out for a 12-pixel font; at 12 points the bold
  // labels run into their values.
  QFont font = content->font();
  font.setPixelSize(12);
  content->setFont(font);
  setWidget(content);

  // Every place is relative to the drawer; the group boxes come first so the
  // controls lie on top of them.
  GroupBox1 = NewGroup("GroupBox1", "Infos", {6, 4, 437, 113}, content);
  GroupBox2 = NewGroup("GroupBox2", "Player", {6, 117, 437, 76}, content);

  StaticText3 = NewLabel("StaticText3", "Artist:", {12, 27, 100, 20}, true, content);
  stArtist = NewLabel("stArtist", {}, {62, 27, 335, 20}, false, content);
  StaticText1 = NewLabel("StaticText1", "Album:", {12, 48, 100, 20}, true, content);
  stAlbum = NewLabel("stAlbum", {}, {62, 48, 335, 20}, false, content);
  StaticText2 = NewLabel("StaticText2", "Title:", {12, 69, 100, 20}, true, content);
  stTitle = NewLabel("stTitle", {}, {62, 69, 335, 20}, false, content);
  StaticText4 = NewLabel("StaticText4", "Track:", {12, 89, 100, 20}, true, content);
  stTrack = NewLabel("stTrack", {}, {62, 89, 150, 20}, false, content);
  StaticText6 = NewLabel("StaticText6", "Size:", {224, 89, 100, 20}, true, content);
  stSizeinmb = NewLabel("stSizeinmb", {}, {261, 89, 100, 20}, false, content);
  StaticText8 = NewLabel("StaticText8", "Year:", {336, 89, 33, 20}, true, content);
  stYear = NewLabel("stYear", {}, {373, 89, 61, 20}, false, content);
  // Tag texts are the file's, never markup.
  for (QLabel* value : {stArtist, stAlbum, stTitle, stTrack, stSizeinmb, stYear})
    value->setTextFormat(Qt::PlainText);

  bPlay = NewButton("bPlay", "Play", {22, 138, 90, 20}, content);
  PushButton1 = NewButton("PushButton1", "Stop", {22, 164, 90, 20}, content);
  StaticText5 = NewLabel("StaticText5", "Volume", {165, 134, 100, 20}, false, content);
  slVolume = NewSlider("slVolume", 0, 256, 200, {224, 138, 161, 16}, content);
  StaticText7 = NewLabel("StaticText7", "Pitch", {165, 164, 100, 20}, false, content);
  slPitch = NewSlider("slPitch", -100, 100, 0, {224, 168, 161, 16}, content);
  stPitch = NewLabel("stPitch", "0%", {398, 164, 36, 20}, false, content);

  connect(bPlay, &QPushButton::clicked, this, &w_mp3tag::bPlay_Action);
  connect(PushButton1, &QPushButton::clicked, this, &w_mp3tag::PushButton1_Action);
  connect(slPitch, &QSlider::valueChanged, this, &w_mp3tag::slPitch_ValueChanged);
  connect(slVolume, &QSlider::valueChanged, this, &w_mp3tag::slVolume_ValueChanged);

  // The player starts at the sliders' settings, so what is heard matches
  // what they show.
  slVolume_ValueChanged(slVolume->value());
  slPitch_ValueChanged(slPitch->value());
}

w_mp3tag::~w_mp3tag() = default;

double w_mp3tag::PlaybackRate(int pitch) { return 1.0 + pitch / 1000.0; }

QString w_mp3tag::PitchText(int pitch) { return QString::number(pitch / 10.0) + "%"; }

// Stop and every selection change leave the song loaded, stopped at its
// start, at normal speed.
void w_mp3tag::StopAndRewind() {
  player_->Stop();
  player_->SetPosition(0);
  slPitch->setValue(0);  // and with it the rate, through its handler
}

void w_mp3tag::ShowSong(const QString& path) {
  StopAndRewind();
  // A fresh record: a file that cannot be read shows empty texts rather than
  // the previous song's.
  AudioTagX tag;
  tag.Read(QFile::encodeName(path).toStdString());
  stTitle->setText(QString::fromStdString(tag.Title));
  stArtist->setText(QString::fromStdString(tag.Artist));
  stAlbum->setText(QString::fromStdString(tag.Album));
  stTrack->setText(tag.Track.empty() ? QString()
                                     : QString::fromStdString(tag.Track) + " of " +
                                           QString::fromStdString(tag.TotTracks));
  stSizeinmb->setText(QString::fromStdString(tag.SizeMB) + " MB");
  stYear->setText(QString::fromStdString(tag.Year));
}

// Play: the selected song from its beginning, at the pitch slider's rate,
// also when a song is playing already.
void w_mp3tag::bPlay_Action() {
  std::optional<QString> path = selectedSong_();
  if (!path) return;
  player_->Load(*path);
  player_->SetRate(PlaybackRate(slPitch->value()));
  player_->Play();
}

void w_mp3tag::PushButton1_Action() { StopAndRewind(); }

void w_mp3tag::slPitch_ValueChanged(int value) {
  player_->SetRate(PlaybackRate(value));
  stPitch->setText(PitchText(value));
}

void w_mp3tag::slVolume_ValueChanged(int value) { player_->SetVolume(value); }
