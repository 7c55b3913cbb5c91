// MPEG-1 Layer III audio: the frame walk, the size and duration figures, and
// files with no tag at all.
#include "audio_tag.h"
#include "binary_stream.h"
#include "text.h"

namespace {

// Bit rates in bit/s by index; 0 (free format) and 15 keep the previous value.
constexpr uint32_t kBitrates[16] = {0,      32000,  40000,  48000,  56000,  64000,
                                    80000,  96000,  112000, 128000, 160000, 192000,
                                    224000, 256000, 320000, 0};
// Sample rates in Hz by index; 3 keeps the previous value.
constexpr uint32_t kSampleRates[4] = {44100, 48000, 32000, 0};

constexpr int kMostFramesWalked = 501;

}  // namespace

void AudioTagX::skipZP(BinaryStream& stream) {
  uint8_t byte;
  do {
    byte = stream.ReadByte();
  } while (byte == 0 && !stream.AtEnd());
  stream.SetPosition(static_cast<int64_t>(stream.Position()) - (stream.AtEnd() ? 2 : 1));
}

bool AudioTagX::Tag_id3v1present(BinaryStream& stream) {
  if (stream.Length() < 128) return false;
  stream.SetPosition(stream.Length() - 128);
  return text::EqualsIgnoringCase(stream.Read(3), "TAG");
}

int AudioTagX::ReadMp3Tag(BinaryStream& stream) {
  int frames = 0;
  uint64_t bitrateSum = 0;
  uint64_t sampleRateSum = 0;
  uint32_t bitrate = 0;
  uint32_t sampleRate = 0;
  while (frames < kMostFramesWalked && !stream.AtEnd()) {
    int64_t frameStart = stream.Position();
    if (stream.ReadByte() != 0xFF) return kNoSync;
    uint8_t second = stream.ReadByte();
    if (second != 0xFB && second != 0xFA) return kNoSync;
    uint8_t third = stream.ReadByte();
    int bitrateIndex = 8 * GetBit(third, 7) + 4 * GetBit(third, 6) + 2 * GetBit(third, 5) +
                       GetBit(third, 4);
    int sampleRateIndex = 2 * GetBit(third, 3) + GetBit(third, 2);
    int padding = GetBit(third, 1);
    if (kBitrates[bitrateIndex] != 0) bitrate = kBitrates[bitrateIndex];
    if (kSampleRates[sampleRateIndex] != 0) sampleRate = kSampleRates[sampleRateIndex];
    // A first frame with the reserved sample-rate index has no length.
    if (sampleRate == 0) return kNoSync;
    int64_t frameLength = 144 * bitrate / sampleRate + padding;
    if (frames == 0) stream.ReadAhead(static_cast<uint32_t>(kMostFramesWalked * (frameLength + 1)));
    stream.SetPosition(frameStart + frameLength);
    ++frames;
    bitrateSum += bitrate;
    sampleRateSum += sampleRate;
  }
  if (frames == 0) return kNoSync;
  Bitrate = std::to_string(bitrateSum / frames / 1000);
  SampleRate = std::to_string(sampleRateSum / frames);
  return kDone;
}

void AudioTagX::SetAudioFigures(BinaryStream& stream, uint32_t audioStart, bool hasId3v1) {
  uint32_t length = stream.Length();
  Size = std::to_string(length);
  SizeMB = text::TwoDecimalsPattern(length, 1000000);
  int64_t audioBytes = static_cast<int64_t>(length) - audioStart - (hasId3v1 ? 128 : 0);
  if (audioBytes < 0) audioBytes = 0;
  int64_t kbits = text::LeadingNumber(Bitrate);
  if (kbits <= 0) {
    // Free-format audio: no mean bit rate, so no duration either.
    LengthMs.clear();
    LengthSecs.clear();
    Length.clear();
    return;
  }
  auto bits = static_cast<uint64_t>(audioBytes) * 8;
  LengthMs = text::WholePattern(bits, static_cast<uint64_t>(kbits));
  LengthSecs = text::WholePattern(bits, static_cast<uint64_t>(kbits) * 1000);
  Length = SecsToTime(text::LeadingNumber(LengthSecs));
}

int AudioTagX::ReadUntagged(const std::string& path) {
  BinaryStream stream(path);
  if (!stream.IsOpen()) return kNoSync;
  stream.SetPosition(0);
  skipZP(stream);
  if (ReadMp3Tag(stream) != kDone) return kNoSync;
  FileType = "MP3";
  Version = "untagged mp3";
  SetAudioFigures(stream, 0, Tag_id3v1present(stream));
  return kDone;
}
