// A new version of a song file, written beside it and put in its place by a
// rename: whatever happens on the way (a crash, a full disk, a failing
// device), the folder holds either the old file or the new one, whole.
#pragma once

#include <memory>
#include <string>

#include "binary_stream.h"

class ReplacementFile {
public:
  // Creates an empty file in the folder of path, with path's permissions.
  explicit ReplacementFile(const std::string& path);
  // Removes the new file unless Commit() has put it in place.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // False when the new file could not be created (a read-only folder, say).
  bool IsOpen() const { return stream_ && stream_->IsOpen(); }
  // The new file, open for writing and reading.
  BinaryStream& Stream() { return *stream_; }

  // Writes out the new file, puts it on disk, and renames it over the old
  // one. False, with the old file untouched, when any step failed.
  bool Commit();

private:
  std::string path_;
  std::string newPath_;
  std::unique_ptr<BinaryStream> stream_;
  bool committed_ = false;
};

// Copies count bytes from the position of from to the position of to; false
// when from ends first or a write fails.
bool CopyBytes(BinaryStream& from, BinaryStream& to, uint64_t count);
