#include "binary_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The first fill after a seek is small, for the few bytes a header needs;
// fills that carry on where the last one ended double, so a long forward walk
// costs a handful of system calls.
constexpr size_t kFirstFill = 4 * 1024;
constexpr size_t kLargestFill = 256 * 1024;

// Buffers of closed streams, kept for the next stream of the same thread: a
// scan opens thousands of files, and a fresh buffer for each would cost the
// allocator's trips to the system and a page fault for every page touched.
constexpr size_t kMostSpareBuffers = 4;
thread_local std::vector<std::unique_ptr<uint8_t[]>> gSpareBuffers;

// pread until count bytes or the end of the file; returns the bytes read, or
// -1 on an error.
ssize_t ReadAt(int fd, uint8_t* into, size_t count, uint64_t offset) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(fd, into + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// Bytes left before writes fail on purpose; negative when they do not.
thread_local int64_t gWritesLeftForTesting = -1;

bool WriteAt(int fd, const uint8_t* from, size_t count, uint64_t offset) {
  if (gWritesLeftForTesting >= 0) {
    if (static_cast<uint64_t>(gWritesLeftForTesting) < count) {
      gWritesLeftForTesting = 0;
      errno = EIO;
      return false;
    }
    gWritesLeftForTesting -= static_cast<int64_t>(count);
  }
  size_t done = 0;
  while (done < count) {
    ssize_t n = pwrite(fd, from + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

BinaryStream::BinaryStream(const std::string& path, Mode mode) {
  writable_ = mode == Mode::ReadWrite;
  int fd = open(path.c_str(), (writable_ ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return;
  }
  fd_ = fd;
  length_ = std::min<uint64_t>(static_cast<uint64_t>(info.st_size), kMaxPosition);
}

BinaryStream::~BinaryStream() {
  if (fd_ < 0) return;
  Flush();
  close(fd_);
  if (buffer_ && gSpareBuffers.size() < kMostSpareBuffers) gSpareBuffers.push_back(std::move(buffer_));
}

void BinaryStream::Advance(int64_t count) {
  SetPosition(static_cast<int64_t>(position_) + count);
}

void BinaryStream::Reserve() {
  if (buffer_) return;
  if (gSpareBuffers.empty()) {
    buffer_.reset(new uint8_t[kLargestFill]);  // uninitialised: every byte used is read first
  } else {
    buffer_ = std::move(gSpareBuffers.back());
    gSpareBuffers.pop_back();
  }
}

void BinaryStream::FillBuffer(uint64_t position) {
  Flush();
  uint64_t end = bufferStart_ + bufferLength_;
  bool forward = bufferLength_ > 0 && position >= end && position < end + fillSize_;
  // Fills start on a page boundary, so a header read a few bytes in and the
  // bytes before it come in one system call.
  bufferStart_ = position & ~uint64_t{4095};
  if (position < readAheadEnd_)
    fillSize_ = static_cast<size_t>(
        std::clamp<uint64_t>(readAheadEnd_ - bufferStart_, kFirstFill, kLargestFill));
  else if (readAheadEnd_ != 0)
    readAheadEnd_ = 0, fillSize_ = kFirstFill;  // past what was announced: start small again
  else
    fillSize_ = forward ? std::min(2 * fillSize_, kLargestFill) : kFirstFill;
  size_t wanted = static_cast<size_t>(
      std::min<uint64_t>(fillSize_, length_ > bufferStart_ ? length_ - bufferStart_ : 0));
  Reserve();
  ssize_t n = fd_ < 0 ? -1 : ReadAt(fd_, buffer_.get(), wanted, bufferStart_);
  bufferLength_ = n < 0 ? 0 : static_cast<size_t>(n);
}

uint8_t BinaryStream::ReadByteSlow() {
  if (position_ >= length_) {
    Advance(1);
    return 0;
  }
  FillBuffer(position_);
  if (!InBuffer(position_)) {  // the file shrank or could not be read
    Advance(1);
    return 0;
  }
  uint8_t value = buffer_[position_ - bufferStart_];
  Advance(1);
  return value;
}

uint16_t BinaryStream::ReadUInt16() {
  uint16_t high = ReadByte();
  uint16_t low = ReadByte();
  return static_cast<uint16_t>(high << 8 | low);
}

uint32_t BinaryStream::ReadUInt32() {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | ReadByte();
  return value;
}

std::string BinaryStream::Read(int64_t count) {
  if (count <= 0) return {};
  uint64_t available = position_ < length_ ? length_ - position_ : 0;
  size_t wanted = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(count), available));
  std::string bytes;
  bytes.reserve(wanted);
  uint64_t at = position_;
  while (bytes.size() < wanted) {
    if (!InBuffer(at)) FillBuffer(at);
    if (!InBuffer(at)) break;
    size_t offset = static_cast<size_t>(at - bufferStart_);
    size_t take = std::min(wanted - bytes.size(), bufferLength_ - offset);
    bytes.append(reinterpret_cast<const char*>(buffer_.get() + offset), take);
    at += take;
  }
  Advance(count);
  return bytes;
}

void BinaryStream::WriteByte(uint8_t value) {
  Write(std::string_view(reinterpret_cast<const char*>(&value), 1));
}

void BinaryStream::WriteUInt16(uint16_t value) {
  const char bytes[2] = {static_cast<char>(value >> 8), static_cast<char>(value)};
  Write(std::string_view(bytes, 2));
}

void BinaryStream::WriteUInt32(uint32_t value) {
  const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 8), static_cast<char>(value)};
  Write(std::string_view(bytes, 4));
}

void BinaryStream::Write(std::string_view bytes) {
  if (!writable_ || fd_ < 0) {
    failed_ = true;
    return;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    // The buffer holds the file's bytes from bufferStart_ on; a write may
    // change them or extend them, as long as it stays contiguous.
    bool contiguous = position_ >= bufferStart_ && position_ <= bufferStart_ + bufferLength_ &&
                      position_ < bufferStart_ + kLargestFill;
    Reserve();
    if (!contiguous) {
      Flush();
      bufferStart_ = position_;
      bufferLength_ = 0;
      fillSize_ = 0;  // what the buffer holds now was not read as a fill
    }
    size_t offset = static_cast<size_t>(position_ - bufferStart_);
    size_t take = std::min(bytes.size() - done, kLargestFill - offset);
    std::memcpy(buffer_.get() + offset, bytes.data() + done, take);
    if (dirtyBegin_ >= dirtyEnd_) {
      dirtyBegin_ = offset;
      dirtyEnd_ = offset + take;
    } else {
      dirtyBegin_ = std::min(dirtyBegin_, offset);
      dirtyEnd_ = std::max(dirtyEnd_, offset + take);
    }
    bufferLength_ = std::max(bufferLength_, offset + take);
    done += take;
    Advance(static_cast<int64_t>(take));
    length_ = std::max(length_, position_);
  }
}

void BinaryStream::FailWritesAfterForTesting(int64_t bytes) { gWritesLeftForTesting = bytes; }

bool BinaryStream::Flush() {
  if (dirtyBegin_ < dirtyEnd_) {
    if (!WriteAt(fd_, buffer_.get() + dirtyBegin_, dirtyEnd_ - dirtyBegin_,
                 bufferStart_ + dirtyBegin_))
      failed_ = true;
    dirtyBegin_ = dirtyEnd_ = 0;
  }
  return !failed_;
}

bool BinaryStream::Sync() {
  if (!Flush()) return false;
  if (fd_ >= 0 && writable_ && fsync(fd_) != 0) failed_ = true;
  return !failed_;
}
