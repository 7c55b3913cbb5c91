// AudioTagX: what is known about one song file, as text, the readers that
// fill it from MP3 (ID3v1, ID3v1.1, ID3v2.2/2.3/2.4) and MP4 (AAC) files,
// and the writers that store its fields back.
//
// Every property is UTF-8 text; the empty string means the file gave no value.
// Readers return a small result code, 0 meaning the file was read completely;
// they never throw, and a failed read leaves what was stored before it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class BinaryStream;

class AudioTagX {
public:
  // Result codes of Read and Write, and of the format readers and writers.
  enum Result : int {
    kDone = 0,
    kNoSync = 1,              // too short, no MPEG sync, or the frame walk lost it
    kBadStructure = 2,        // ID3v2: no audio after the tag; MP4: unexpected atoms
    kUnknownVersion = 4,      // ID3v2 major version other than 2, 3 and 4
    kCompressedFrame = 5,
    kFooter = 6,              // ID3v2.4 footer
    kUnsynchronised = 7,      // tag flag, or ID3v2.4 frame flag
    kFrameStatusFlags = 9,
    kGroupedFrame = 10,
    kEncryptedFrame = 11,
    kDataLengthIndicator = 12,
    // Writers only.
    kNotReadable = 3,         // Convert_id3v1, Remove_id3v1: Read did not give 0
    kExperimentalTag = 8,     // ID3v2.3/2.4 tag with the experimental flag
    kWriteFailed = 13,        // an I/O error; the file is as it was
    kTagNotWritable = 14,     // a tag of 2^28 bytes or more, or with an extended header;
                              // or a file that would grow to 4 GiB
  };

  std::string Version;
  std::string Album;
  std::string Artist;
  std::string Bitrate;     // kbit/s
  std::string Comments;
  std::string Genre;
  std::string Length;      // m:ss
  std::string LengthSecs;
  std::string Size;        // bytes
  std::string SizeMB;      // millions of bytes, "#.##"
  std::string Title;
  std::string TotTracks;
  std::string Track;
  std::string Year;
  std::string SampleRate;  // Hz
  std::string LengthMs;
  std::string FileType;    // "MP3" or "AAC"
  std::string Cd;
  std::string TotCds;

  // Empties the record, except LengthMs, Cd and TotCds.
  void ClearAllProperties();

  // Reads the song file at path into the record.
  int Read(const std::string& path);

  // Format readers; Read picks one by the file's first bytes.
  int Read_id3v1x(const std::string& path);
  int ReadUntagged(const std::string& path);
  int Read_id3v22x(const std::string& path);
  int Read_id3v23x(const std::string& path);
  int Read_id3v24x(const std::string& path);
  int Read_AAC(const std::string& path);

  // The MPEG-1 Layer III frame walk: sets Bitrate and SampleRate, or returns 1.
  int ReadMp3Tag(BinaryStream& stream);
  static void skipZP(BinaryStream& stream);
  static bool Tag_id3v1present(BinaryStream& stream);

  // ID3v2 frame readers: each reads the frame at the stream's position and
  // stores the wanted ones; versions 3 and 4 return a frame flag's code or 0.
  // The stream is left at the next frame header. A wanted frame's data is
  // taken only up to framesEnd (where the audio begins), so a damaged size
  // cannot turn audio into text.
  void TagGetNext_id3v22x(BinaryStream& stream, uint32_t framesEnd = 0xFFFFFFFF);
  int TagGetNext_id3v23x(BinaryStream& stream, uint32_t framesEnd = 0xFFFFFFFF);
  int TagGetNext_id3v24x(BinaryStream& stream, uint32_t framesEnd = 0xFFFFFFFF);
  // count bytes of UTF-16 text behind a byte-order mark, as UTF-8; consumes
  // exactly count bytes.
  static std::string ReadUnicode(BinaryStream& stream, int64_t count);

  // Reads one item of an MP4 ilst list.
  int TagGetNext_AAC(BinaryStream& stream);

  // Stores Album, Artist, Comments, Title, Genre, Track with TotTracks, and
  // Year in the ilst list of an MP4 (AAC) file, and sets SampleRate. Returns
  // 0; 2 when the file lacks the atom path down to ilst or a media data atom
  // after it, or its atoms cannot be followed; kTagNotWritable for a track
  // number or count outside 0 to 65,535, or a file that would pass 4 GiB;
  // kWriteFailed. On any code but 0 the file is as it was.
  int Write_AAC(const std::string& path);
  // The payload of the first free atom after the ilst items, less the
  // estimated size of the new items; leaves the stream at that atom's start.
  int64_t TagAvailableSpace2(BinaryStream& stream);
  // The new ilst items, built from the items between the stream's position
  // and end (the end of ilst).
  std::string TagSet_ACC(BinaryStream& stream, uint32_t end);
  // Walk the atom path from the top of the file to the named atom: its size,
  // with the stream just after its header (for ilst, at its first item), or
  // -2 when the path differs.
  static int64_t Find_AAC_mdhd(BinaryStream& stream);
  static int64_t Find_AAC_udta(BinaryStream& stream);
  static int64_t Find_AAC_ilst(BinaryStream& stream);
  // From the first ilst item on, atom by atom, the first free atom before the
  // media data: its size, with the stream just after its header; -2 without
  // ilst, when mdat comes first (the stream just after mdat's header), or at
  // the end of the file.
  static int64_t Find_AAC_free(BinaryStream& stream);

  // Value operations.
  static std::string SecsToTime(int64_t seconds);
  static std::string msToTime(int64_t milliseconds);
  static std::string BytesToMB(const std::string& bytes);
  static std::string LTrimZeros(const std::string& text);
  static int GetBit(int value, int bit) { return value >> bit & 1; }
  static int32_t TagSizeGet(uint32_t syncsafe);
  static std::string TagGetGenre_v1(int64_t number);
  static std::string TagGetGenre_v2(const std::string& contentType);

  // Stores the record's Album, Artist, Comments, Title, Genre, Track with
  // TotTracks, and Year into the song file at path: an ID3v2.2/2.3/2.4 tag is
  // rewritten, an untagged MP3 file gets an ID3v2.3 tag, an MP4 file its
  // ilst items. Normalises Track, TotTracks and Year first (ChkValue; a year
  // outside 1000 to 2100 is dropped), and the record keeps them so. Every
  // refusal is decided before a byte is written; a write that changes the
  // file's length writes a new file beside the old one and renames it over
  // it, so that a failure leaves the old file (kWriteFailed). Fields that
  // are empty in the record lose their frames: the record should come from
  // a Read that gave 0 (or 1, where only the audio walk failed).
  int Write(const std::string& path);
  // The text when it is a whole number written the canonical way (7, 2004),
  // otherwise the empty text (07, 7/12, 2004-05-06, 0).
  static std::string ChkValue(const std::string& text);

  // ID3v2 writers for a file whose tag has that major version. The frames of
  // the seven fields are replaced where they stood (a field left empty loses
  // its frame, except TALB in version 4), missing ones come after the other
  // frames, and every other frame keeps its bytes and its place. The tag is
  // rewritten in place when the new frames fit before its end, and otherwise
  // grows by what is missing plus 500 bytes of padding.
  int Write_id3v22x(const std::string& path);
  int Write_id3v23x(const std::string& path);
  int Write_id3v24x(const std::string& path);
  // Puts an ID3v2.3 tag holding the record's fields in front of an MPEG-1
  // Layer III file that has none.
  int Write_new_id3v23(const std::string& path);

  // The header and frames of the new tag: tag holds the file's bytes from 0 to
  // the tag's end, framesEnd is where its frames end. At least framesEnd
  // bytes long, the part beyond the frames zero.
  std::string TagSet_id3v22x(std::string_view tag, uint32_t framesEnd) const;
  std::string TagSet_id3v23x(std::string_view tag, uint32_t framesEnd) const;
  std::string TagSet_id3v24x(std::string_view tag, uint32_t framesEnd) const;
  // The tag's padding minus an estimate of the new frames' size, from the
  // fields' character counts: the tag must grow when it is 0 or less.
  int64_t TagAvailableSpace(std::string_view tag, int major) const;
  // The bytes from the first frame of size 0 (or one that is not valid) to
  // the end of tag; 0 when the frames fill the tag.
  static int64_t CountZeroPadding(std::string_view tag, int major);
  // The syncsafe form of a size below 2^28, as TagSizeGet reads it.
  static uint32_t TagSizeSet(uint32_t size);

  // For an MP3 file whose only tag is an ID3v1 tag: Convert_id3v1 writes its
  // fields into a new ID3v2.3 tag (the ID3v1 tag stays), Remove_id3v1 blanks
  // everything after its "TAG". Both do nothing and give 0 for other files,
  // and kNotReadable when Read does not give 0.
  int Convert_id3v1(const std::string& path);
  int Remove_id3v1(const std::string& path);

private:
  // What Read_id3v22x, Read_id3v23x and Read_id3v24x share; major (2, 3 or 4)
  // picks the frame layout and the header flags that count.
  int ReadId3v2(const std::string& path, int major);

  // Size and duration from the file length, the audio start and the Bitrate
  // that a successful ReadMp3Tag has set.
  void SetAudioFigures(BinaryStream& stream, uint32_t audioStart, bool hasId3v1);

  // What Write_id3v22x, Write_id3v23x and Write_id3v24x share.
  int WriteId3v2(const std::string& path, int major);
  std::string TagSetId3v2(std::string_view tag, uint32_t framesEnd, int major) const;
  // The bytes that take the place of tag (the file's bytes before the audio):
  // as long as tag when the record's frames fit in it, else the grown tag
  // with its new size in the header.
  int ComposeId3v2(std::string_view tag, int major, std::string& composed) const;
  // The room check's estimate of the new frames' size.
  int64_t EstimatedFramesSize(int major) const;
};
