#include "binary_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kBufferSize = 16 * 1024;
constexpr uint64_t kMaxPosition = 0xFFFFFFFFu;

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

bool WriteAt(int fd, const uint8_t* from, size_t count, uint64_t offset) {
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
  length_ = static_cast<uint64_t>(info.st_size);
  buffer_.resize(kBufferSize);
}

BinaryStream::~BinaryStream() {
  if (fd_ < 0) return;
  Flush();
  close(fd_);
}

uint32_t BinaryStream::Length() const {
  return static_cast<uint32_t>(std::min(length_, kMaxPosition));
}

void BinaryStream::SetPosition(int64_t position) {
  position_ = static_cast<uint64_t>(std::clamp<int64_t>(position, 0, kMaxPosition));
}

void BinaryStream::Advance(int64_t count) {
  SetPosition(static_cast<int64_t>(position_) + count);
}

void BinaryStream::FillBuffer(uint64_t position) {
  Flush();
  bufferStart_ = position;
  ssize_t n = fd_ < 0 ? -1 : ReadAt(fd_, buffer_.data(), buffer_.size(), position);
  bufferLength_ = n < 0 ? 0 : static_cast<size_t>(n);
}

uint8_t BinaryStream::ReadByte() {
  if (position_ >= length_) {
    Advance(1);
    return 0;
  }
  if (!InBuffer(position_)) FillBuffer(position_);
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
    bytes.append(reinterpret_cast<const char*>(buffer_.data() + offset), take);
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
                      position_ < bufferStart_ + buffer_.size();
    if (!contiguous) {
      Flush();
      bufferStart_ = position_;
      bufferLength_ = 0;
    }
    size_t offset = static_cast<size_t>(position_ - bufferStart_);
    size_t take = std::min(bytes.size() - done, buffer_.size() - offset);
    std::memcpy(buffer_.data() + offset, bytes.data() + done, take);
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

bool BinaryStream::Flush() {
  if (dirtyBegin_ < dirtyEnd_) {
    if (!WriteAt(fd_, buffer_.data() + dirtyBegin_, dirtyEnd_ - dirtyBegin_,
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
