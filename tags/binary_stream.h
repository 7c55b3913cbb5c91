// A buffered binary file stream: the only way the tag library touches a file.
//
// Integers are big-endian. Positions are 32-bit: a position can be set past
// the end of the file (that is how a walk over damaged sizes ends), but never
// beyond 0xFFFFFFFF. A read at or past the end yields 0 (or fewer bytes than
// asked) and still moves the position, so a loop over reads always advances;
// AtEnd() is true from the end of the file on.
//
// A stream is opened by its constructor and closed by its destructor, which
// first writes out what is still buffered.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class BinaryStream {
public:
  enum class Mode { Read, ReadWrite };

  explicit BinaryStream(const std::string& path, Mode mode = Mode::Read);
  ~BinaryStream();
  BinaryStream(const BinaryStream&) = delete;
  BinaryStream& operator=(const BinaryStream&) = delete;

  // False when the file could not be opened, or is not a regular file.
  bool IsOpen() const { return fd_ >= 0; }

  uint32_t Length() const;
  uint32_t Position() const { return static_cast<uint32_t>(position_); }
  // Clamped to 0 .. 0xFFFFFFFF.
  void SetPosition(int64_t position);
  bool AtEnd() const { return position_ >= length_; }

  uint8_t ReadByte();
  uint16_t ReadUInt16();
  uint32_t ReadUInt32();
  // Reads count bytes, or the bytes up to the end; a count of zero or less
  // reads nothing. The position moves by count either way.
  std::string Read(int64_t count);

  void WriteByte(uint8_t value);
  void WriteUInt16(uint16_t value);
  void WriteUInt32(uint32_t value);
  void Write(std::string_view bytes);

  // Writes out buffered bytes; Sync() also asks the system to put them on
  // disk. Both return false once any write of this stream has failed.
  bool Flush();
  bool Sync();
  bool Failed() const { return failed_; }

private:
  bool InBuffer(uint64_t position) const {
    return position >= bufferStart_ && position < bufferStart_ + bufferLength_;
  }
  void FillBuffer(uint64_t position);
  void Advance(int64_t count);

  int fd_ = -1;
  bool writable_ = false;
  bool failed_ = false;
  uint64_t length_ = 0;
  uint64_t position_ = 0;

  std::vector<uint8_t> buffer_;
  uint64_t bufferStart_ = 0;
  size_t bufferLength_ = 0;  // valid bytes in buffer_
  size_t dirtyBegin_ = 0;    // written bytes not yet in the file, if begin < end
  size_t dirtyEnd_ = 0;
};
