// Plays real songs through Qt Multimedia. Run by the README's test command,
// which gives the tests a PulseAudio server with a null sink; run by hand on
// a machine without sound, the tests are skipped.
#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTest>

#include "preview_player.h"

namespace {

QString TestData(const char* name) { return QStringLiteral(SONGHAUL_TEST_DATA "/") + name; }

// Lets the player's events run until done() holds or ms have passed.
template <typename Done>
bool WaitFor(Done done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QTest::qWait(20);
  return done();
}

class PreviewPlayerTest : public testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    if (QMediaDevices::audioOutputs().isEmpty()) {
      if (qEnvironmentVariableIsSet("SONGHAUL_NULL_SOUND")) FAIL() << "the null sink's server is not heard";
      GTEST_SKIP() << "no audio output; run under scripts/with-null-sound.sh";
    }
  }
};

TEST_P(PreviewPlayerTest, PlaysAtTheRateAndVolumeSetAndStopsAtTheStart) {
  PreviewPlayer player;
  player.SetVolume(128);
  EXPECT_FLOAT_EQ(player.Output().volume(), 0.5f);
  player.SetVolume(256);
  EXPECT_FLOAT_EQ(player.Output().volume(), 1.0f);

  player.Load(TestData(GetParam()));
  player.SetRate(1.05);
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.Player().position() > 300; }, 10000))
      << "position " << player.Player().position() << ", error "
      << player.Player().errorString().toStdString();
  EXPECT_EQ(player.Player().playbackState(), QMediaPlayer::PlayingState);
  EXPECT_DOUBLE_EQ(player.Player().playbackRate(), 1.05);

  player.Stop();
  player.SetPosition(0);
  player.SetRate(1.0);
  QTest::qWait(300);
  EXPECT_EQ(player.Player().playbackState(), QMediaPlayer::StoppedState) << "the rate change started it";
  EXPECT_EQ(player.Player().position(), 0);

  // Play again starts from the beginning.
  player.Play();
  ASSERT_TRUE(WaitFor([&] { return player.Player().position() > 100; }, 10000));
}

INSTANTIATE_TEST_SUITE_P(Songs, PreviewPlayerTest, testing::Values("id3v2_3.mp3", "aac_ffmpeg.m4a"),
                         [](const auto& info) { return std::string(info.param).substr(0, 3); });

TEST(PreviewPlayer, ASongThatCannotBePlayedLeavesNothingToPlay) {
  PreviewPlayer player;
  player.Load(TestData("missing.mp3"));
  player.Play();
  EXPECT_TRUE(WaitFor([&] { return player.Player().error() != QMediaPlayer::NoError; }, 10000));
  EXPECT_TRUE(WaitFor([&] { return player.Player().playbackState() == QMediaPlayer::StoppedState; }, 1000));
  EXPECT_EQ(player.Player().position(), 0);
  player.Load(QString());
  EXPECT_TRUE(player.Player().source().isEmpty());
}

}  // namespace
