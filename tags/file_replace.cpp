#include "file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The rename is only lasting once the folder's entry is on disk too.
void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& path) : path_(path) {
  // A song reached through a symbolic link is replaced where it lies, and
  // the link stays a link.
  if (char* resolved = realpath(path.c_str(), nullptr)) {
    path_ = resolved;
    std::free(resolved);
  }
  struct stat original;
  if (stat(path_.c_str(), &original) != 0) return;
  // A hidden name, so that a scan of the folder does not list a half-written song.
  std::vector<char> name(FolderOf(path_).size() + NameOf(path_).size() + 32);
  std::snprintf(name.data(), name.size(), "%s/.%s.new-XXXXXX", FolderOf(path_).c_str(),
                NameOf(path_).c_str());
  int fd = mkstemp(name.data());
  if (fd < 0) return;
  // The owner too, where this process may give it (as root it may).
  if (fchown(fd, original.st_uid, original.st_gid) != 0) {
    // Not allowed: the new file is this user's, as the old one mostly was.
  }
  fchmod(fd, original.st_mode & 07777);
  close(fd);
  newPath_ = name.data();
  stream_ = std::make_unique<BinaryStream>(newPath_, BinaryStream::Mode::ReadWrite);
}

ReplacementFile::~ReplacementFile() {
  stream_.reset();
  if (!committed_ && !newPath_.empty()) unlink(newPath_.c_str());
}

bool ReplacementFile::Commit() {
  if (!IsOpen() || !stream_->Sync()) return false;
  stream_.reset();
  if (rename(newPath_.c_str(), path_.c_str()) != 0) return false;
  committed_ = true;
  SyncFolder(FolderOf(path_));
  return true;
}

bool CopyBytes(BinaryStream& from, BinaryStream& to, uint64_t count) {
  constexpr uint64_t kChunk = 256 * 1024;
  while (count > 0) {
    uint64_t take = count < kChunk ? count : kChunk;
    std::string bytes = from.Read(static_cast<int64_t>(take));
    to.Write(bytes);
    if (bytes.size() != take || to.Failed()) return false;
    count -= take;
  }
  return !to.Failed();
}
