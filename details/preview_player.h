// PreviewPlayer: the details drawer's player on the desktop, a QMediaPlayer
// playing through the default audio output.
#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>

#include "platform.h"

class PreviewPlayer : public MediaPlayer {
public:
  PreviewPlayer();

  void Load(const QString& path) override;
  void Play() override;
  void Stop() override;
  void SetPosition(qint64 milliseconds) override;
  void SetRate(double rate) override;
  void SetVolume(int volume) override;

  // For tests that watch the real playback.
  const QMediaPlayer& Player() const { return player_; }
  const QAudioOutput& Output() const { return output_; }

private:
  // Declared first, so the player lets go of it before it goes.
  QAudioOutput output_;
  QMediaPlayer player_;
};
