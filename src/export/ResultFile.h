// The binary scan result file: every folder of the size tree with its stored
// totals and every recorded file, so a scan can be looked at again later or
// on another machine. Import merges into whatever the tree holds.
#pragma once

#include <string>
#include <utility>

namespace kv {

class TSizeTree;

// Outcome of a file operation. Failures carry the file layer's own message,
// one line, naming the file.
struct TFileResult {
  bool Ok = true;
  std::string Message;
  // Set where the window words the failure itself: a text id whose "%s"
  // stands for the file name.
  const char* TextId = nullptr;
  std::string FileName;

  explicit operator bool() const { return Ok; }
  static TFileResult Failure(std::string message) { return {false, std::move(message), nullptr, {}}; }
  static TFileResult Failure(std::string message, const char* textId, std::string fileName) {
    return {false, std::move(message), textId, std::move(fileName)};
  }
};

// Writes the whole tree into the file, creating or replacing it. A failed
// write leaves the file as it was before.
TFileResult WriteResultFile(const TSizeTree& tree, const std::string& path);

// Adds the file's folders and files to the tree. Every folder named in the
// file ends with exactly its stored totals and completion flag; what was read
// before a bad record stays.
TFileResult ReadResultFile(TSizeTree& tree, const std::string& path);

}  // namespace kv
