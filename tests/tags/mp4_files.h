// MP4 songs built atom by atom, for the reader's and the writer's tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "test_files.h"

namespace mp4files {

using testfiles::Be16;
using testfiles::Be32;
using testfiles::Zeros;

inline const std::string kAlbum = "\xA9" "alb";
inline const std::string kArtist = "\xA9" "ART";
inline const std::string kComment = "\xA9" "cmt";
inline const std::string kName = "\xA9" "nam";
inline const std::string kDay = "\xA9" "day";
inline const std::string kGenre = "\xA9" "gen";

inline std::string Atom(std::string_view type, std::string_view body) {
  return Be32(static_cast<uint32_t>(8 + body.size())) + std::string(type) + std::string(body);
}

// An ilst item: its header and one data atom (class, locale, payload).
inline std::string Item(std::string_view type, uint32_t dataClass, std::string_view payload) {
  return Atom(type, Atom("data", Be32(dataClass) + Be32(0) + std::string(payload)));
}

inline std::string TrackItem(uint16_t track, uint16_t total, uint32_t dataClass = 0) {
  return Item("trkn", dataClass, Be16(0) + Be16(track) + Be16(total) + Be16(0));
}

// Version 1 headers have 64-bit times and duration.
inline std::string MovieHeader(int version, uint32_t timescale, uint64_t duration) {
  if (version == 1)
    return Atom("mvhd", Be32(0x01000000) + Zeros(16) + Be32(timescale) +
                            Be32(static_cast<uint32_t>(duration >> 32)) +
                            Be32(static_cast<uint32_t>(duration)) + Zeros(80));
  return Atom("mvhd", Be32(0) + Zeros(8) + Be32(timescale) + Be32(static_cast<uint32_t>(duration)) +
                          Zeros(80));
}

inline std::string MediaHeader(int version, uint32_t timescale) {
  if (version == 1)
    return Atom("mdhd", Be32(0x01000000) + Zeros(16) + Be32(timescale) + Zeros(8) + Zeros(4));
  return Atom("mdhd", Be32(0) + Zeros(8) + Be32(timescale) + Zeros(4) + Zeros(4));
}

// An AAC song in the classic iPod layout, with places to break it.
struct Song {
  int headerVersion = 0;
  uint32_t timescale = 600;
  uint64_t duration = 144000;
  uint32_t sampleRate = 44100;
  std::string items = Item(kName, 1, "Song");
  std::string afterMvhd;     // inside moov
  std::string afterTkhd;     // inside trak
  std::string afterTrak;     // inside moov, before udta
  std::string afterIlst;     // inside meta
  std::string afterMeta;     // inside udta
  std::string afterUdta;     // inside moov
  std::vector<uint32_t> chunkOffsets;
  std::string afterMoov = Atom("free", Zeros(16));
  std::string mdat = Atom("mdat", Zeros(64));
  bool mdatFirst = false;

  std::string ChunkOffsets() const {
    std::string table = Be32(0) + Be32(static_cast<uint32_t>(chunkOffsets.size()));
    for (uint32_t offset : chunkOffsets) table += Be32(offset);
    return table;
  }

  std::string Bytes() const {
    std::string stbl = Atom("stbl", Atom("stsd", Zeros(8)) + Atom("stts", Zeros(8)) +
                                        Atom("stsc", Zeros(8)) + Atom("stsz", Zeros(12)) +
                                        Atom("stco", ChunkOffsets()));
    std::string minf = Atom("minf", Atom("smhd", Zeros(8)) + Atom("dinf", Atom("dref", Zeros(8))) +
                                        stbl);
    std::string mdia =
        Atom("mdia", MediaHeader(headerVersion, sampleRate) + Atom("hdlr", Zeros(25)) + minf);
    std::string trak = Atom("trak", Atom("tkhd", Zeros(84)) + afterTkhd + mdia);
    std::string meta =
        Atom("meta", Be32(0) + Atom("hdlr", Zeros(25)) + Atom("ilst", items) + afterIlst);
    std::string moov = Atom("moov", MovieHeader(headerVersion, timescale, duration) + afterMvhd +
                                        trak + afterTrak + Atom("udta", meta + afterMeta) +
                                        afterUdta);
    std::string ftyp = Atom("ftyp", "M4A " + Be32(0) + "M4A mp42isom");
    if (mdatFirst) return ftyp + mdat + moov + afterMoov;
    return ftyp + moov + afterMoov + mdat;
  }
};

}  // namespace mp4files
