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
#include <memory>

class BinaryStream {
public:
  enum class Mode { Read, ReadWrite };

  explicit BinaryStream(const std::string& path, Mode mode = Mode::Read);
  ~BinaryStream();
  BinaryStream(const BinaryStream&) = delete;
  BinaryStream& operator=(const BinaryStream&) = delete;

  // False when the file could not be opened, or is not a regular file.
  bool IsOpen() const { return fd_ >= 0; }

  uint32_t Length() const { return static_cast<uint32_t>(length_); }
  uint32_t Position() const { return static_cast<uint32_t>(position_); }
  // Clamped to 0 .. 0xFFFFFFFF.
  void SetPosition(int64_t position) {
    position_ = position < 0 ? 0 : position > kMaxPosition ? kMaxPosition : static_cast<uint64_t>(position);
  }
  bool AtEnd() const { return position_ >= length_; }

  uint8_t ReadByte() {
    // Inline for the common case: the byte is in the buffer.
    if (position_ >= bufferStart_ && position_ < bufferStart_ + bufferLength_ && position_ < length_)
      return buffer_[position_++ - bufferStart_];
    return ReadByteSlow();
  }
  uint16_t ReadUInt16();
  uint32_t ReadUInt32();
  // Reads count bytes, or the bytes up to the end; a count of zero or less
  // reads nothing. The position moves by count either way.
  std::string Read(int64_t count);

  // Tells the stream that about count bytes from the position on will be
  // read, so that it fetches them in as few system calls as it can.
  void ReadAhead(uint32_t count) { readAheadEnd_ = position_ + count; }

  void WriteByte(uint8_t value);
  void WriteUInt16(uint16_t value);
  void WriteUInt32(uint32_t value);
  void Write(std::string_view bytes);

  // Writes out buffered bytes; Sync() also asks the system to put them on
  // disk. Both return false once any write of this stream has failed.
  bool Flush();
  bool Sync();
  bool Failed() const { return failed_; }

  // For tests of what a failing disk does: after bytes more bytes written to
  // files by this thread's streams, every write fails. A negative value ends
  // that.
  static void FailWritesAfterForTesting(int64_t bytes);

private:
  static constexpr int64_t kMaxPosition = 0xFFFFFFFF;

  bool InBuffer(uint64_t position) const {
    return position >= bufferStart_ && position < bufferStart_ + bufferLength_;
  }
  uint8_t ReadByteSlow();
  void Reserve();
  void FillBuffer(uint64_t position);
  void Advance(int64_t count);

  int fd_ = -1;
  bool writable_ = false;
  bool failed_ = false;
  uint64_t length_ = 0;  // at most 0xFFFFFFFF
  uint64_t position_ = 0;

  std::unique_ptr<uint8_t[]> buffer_;  // taken on the first fill or write
  uint64_t bufferStart_ = 0;
  size_t bufferLength_ = 0;  // valid bytes in buffer_
  size_t fillSize_ = 0;      // bytes the last fill asked for
  uint64_t readAheadEnd_ = 0;
  size_t dirtyBegin_ = 0;    // written bytes not yet in the file, if begin < end
  size_t dirtyEnd_ = 0;
};
