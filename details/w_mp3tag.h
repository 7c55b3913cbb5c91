// w_mp3tag: the song details drawer. It shows the tags of the song selected in
// the main window's list (artist, album, title, track, size, year) and plays
// the song with a volume and a pitch control. The main window makes one when
// the selection first changes or "File infos" is first pressed, shows it on
// its right edge, and destroys it, with any song it plays, when it closes.
#pragma once

#include <QDockWidget>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class MediaPlayer;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class w_mp3tag : public QDockWidget {
  Q_OBJECT
public:
  // The path held by the list's first selected row, or nothing when no row is
  // selected. "Play" asks it for the song to play.
  using SelectedSong = std::function<std::optional<QString>()>;

  w_mp3tag(std::unique_ptr<MediaPlayer> player, SelectedSong selectedSong, QWidget* parent);
  ~w_mp3tag() override;

  // The playback rate for a pitch slider value: 0.9 to 1.1.
  static double PlaybackRate(int pitch);
  // The pitch text: the value in tenths of a percent, "-10%" to "10%".
  static QString PitchText(int pitch);

  // The list's selection changed to the song at path: stops and rewinds the
  // player, sets the pitch back to 0, and shows the song's tags.
  void ShowSong(const QString& path);

  // Handlers.
  void bPlay_Action();
  void PushButton1_Action();  // Stop
  void slPitch_ValueChanged(int value);
  void slVolume_ValueChanged(int value);

  // Controls.
  QGroupBox* GroupBox1;  // "Infos"
  QLabel* StaticText3;  // "Artist:"
  QLabel* stArtist;
  QLabel* StaticText1;  // "Album:"
  QLabel* stAlbum;
  QLabel* StaticText2;  // "Title:"
  QLabel* stTitle;
  QLabel* StaticText4;  // "Track:"
  QLabel* stTrack;
  QLabel* StaticText6;  // "Size:"
  QLabel* stSizeinmb;
  QLabel* StaticText8;  // "Year:"
  QLabel* stYear;
  QGroupBox* GroupBox2;  // "Player"
  QPushButton* bPlay;
  QPushButton* PushButton1;  // "Stop"
  QLabel* StaticText5;  // "Volume"
  QSlider* slVolume;
  QLabel* StaticText7;  // "Pitch"
  QSlider* slPitch;
  QLabel* stPitch;

  // Holds and plays the loaded song; it has no control of its own.
  MediaPlayer& MoviePlayer1() { return *player_; }

private:
  void StopAndRewind();

  std::unique_ptr<MediaPlayer> player_;
  SelectedSong selectedSong_;
};
