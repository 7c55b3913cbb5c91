#include "preview_player.h"

#include <QUrl>

PreviewPlayer::PreviewPlayer() {
  player_.setAudioOutput(&output_);
  // A song that cannot be played would otherwise leave the player saying it
  // plays.
  QObject::connect(&player_, &QMediaPlayer::errorOccurred, &player_, &QMediaPlayer::stop);
}

void PreviewPlayer::Load(const QString& path) {
  // A new source stops the player and starts at the song's beginning; one
  // that cannot be played leaves it with nothing to play.
  player_.setSource(path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path));
}

void PreviewPlayer::Play() { player_.play(); }

void PreviewPlayer::Stop() { player_.stop(); }

void PreviewPlayer::SetPosition(qint64 milliseconds) { player_.setPosition(milliseconds); }

void PreviewPlayer::SetRate(double rate) {
  // Setting the rate only records it while the player is stopped; it never
  // starts playback.
  player_.setPlaybackRate(rate);
}

// The drawer's scale runs from 0 to 256; the output's from 0 to 1, linear.
void PreviewPlayer::SetVolume(int volume) { output_.setVolume(float(volume) / 256.0f); }
