// Writing a file so that its target is replaced only when the new content is
// complete: at every moment the target is the old file or the new one, never a
// cut one, and an interrupted write leaves no other file behind.
#pragma once

#include <cstdio>
#include <string>

namespace kv {

// One file being written. Begin, write to File, then Commit or Abandon.
struct TReplaceFile {
  std::FILE* File = nullptr;
  // The file that is replaced: a symbolic link's target, not the link.
  std::string Target;
  // A named temporary file beside the target, where the system has no
  // unnamed ones; empty otherwise.
  std::string TempPath;
  int UnnamedFd = -1;     // the unnamed file (POSIX O_TMPFILE), or -1
  bool InPlace = false;   // a pipe or device: written directly
  int Mode = -1;          // the replaced file's permissions, kept by the new file
  long long OwnerUid = -1, OwnerGid = -1;
};

// Starts the new content of path. On failure File is null and errno (or the
// returned text, when not empty) tells why. A pipe without a reader is
// refused at once rather than waited on.
std::string BeginReplaceFile(const std::string& path, TReplaceFile& file);
// Closes the file and puts it in place; false with errno set when that failed,
// and the target is then as it was.
bool CommitReplaceFile(TReplaceFile& file);
// Closes and drops the new content; the target stays as it was.
void AbandonReplaceFile(TReplaceFile& file);

}  // namespace kv
