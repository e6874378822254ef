// ncdu's JSON export, format version 1: [1, minor, {metadata}, root], where a
// folder is an array whose first element is its own entry and the rest its
// contents. Read as a stream without recursion: memory stays bounded by the
// nesting limit and the longest string, whatever the file holds.
#pragma once

#include <cstdint>
#include <string>

#include "platform/CompressedInput.h"

namespace kv {

// One entry as the file gives it. Names are raw bytes, as the file holds them.
struct TNcduEntry {
  std::string Name;
  int64_t ASize = 0;  // apparent size
  int64_t DSize = 0;  // disk usage
  uint64_t Dev = 0, Ino = 0;
  uint64_t Uid = 0, Gid = 0, Mode = 0, Mtime = 0;
  uint64_t NLink = 0;
  bool HasDev = false, HasIno = false, HasUid = false, HasGid = false, HasMode = false, HasMtime = false;
  bool HardLink = false;  // hlnkc, or nlink above 1
  bool ReadError = false;
  bool NotRegular = false;
  // gdu writes the folders' totals and their item counts.
  bool HasItems = false;
  std::string Excluded;  // "pattern", "otherfs", "kernfs", "frmlnk", ... or empty

  void Clear();
};

// What the parser finds, in file order. A non-empty return refuses the entry
// (the parse stops with that reason).
class INcduSink {
 public:
  virtual ~INcduSink() = default;
  virtual std::string Folder(const TNcduEntry& entry) = 0;
  virtual std::string File(const TNcduEntry& entry) = 0;
  virtual void EndFolder() = 0;
};

// Folders nested deeper than this are refused: no file system path reaches it.
inline constexpr size_t NcduMaxDepth = 4096;
// The longest string read; names are at most a few hundred bytes.
inline constexpr size_t NcduMaxString = size_t{1} << 16;

// Reads the whole stream. The failure names the stream, the byte offset and
// the reason; whatever reached the sink before stays there.
std::string ParseNcduJson(IByteSource& source, INcduSink& sink);

// True when the first bytes look like the start of such a file (an array whose
// first element is a number), as opposed to a binary result file.
bool LooksLikeNcduJson(const unsigned char* bytes, size_t n);

}  // namespace kv
