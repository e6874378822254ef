// The desktop shell as a script: the test sets the results, the fake keeps
// every call and never touches a file or starts a program.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace kv::test {

class FakeShell final : public IShell {
 public:
  TOpenResult OpenResult = TOpenResult::Opened;
  bool HasOpenWith = true;
  bool HasProperties = true;
  // Paths the trash cannot take, and paths that fail every deletion; any
  // other path is trashed.
  std::set<std::string> NoTrash, Failing;

  // "open P", "openwith P", "show P" (" folder" added for folders),
  // "properties P", "trash P", "delete P".
  std::vector<std::string> Calls;
  // The extensions and drive roots asked for a picture.
  std::vector<std::string> IconQueries;

  // A 16x16 picture in one colour made from the key.
  static TIconPixels PictureOf(const std::string& key) {
    const auto colour = static_cast<uint32_t>(std::hash<std::string>{}(key) & 0xFFFFFFu) | 0xFF000000u;
    return {16, 16, std::vector<uint32_t>(256, colour)};
  }

  TOpenResult OpenFile(const std::string& path) override {
    Call("open ", path);
    return OpenResult;
  }
  bool OpenWithDialog(const std::string& path) override {
    Call("openwith ", path);
    return HasOpenWith;
  }
  bool ShowInFileManager(const std::string& path, bool isFolder) override {
    Call("show ", path + (isFolder ? " folder" : ""));
    return true;
  }
  bool ShowProperties(const std::string& path) override {
    Call("properties ", path);
    return HasProperties;
  }
  TTrashResult DeleteToRecycleBin(const std::string& path) override {
    Call("trash ", path);
    if (Failing.count(path)) return TTrashResult::Failed;
    return NoTrash.count(path) ? TTrashResult::NoTrash : TTrashResult::Trashed;
  }
  bool DeletePermanently(const std::string& path) override {
    Call("delete ", path);
    return Failing.count(path) == 0;
  }
  TIconPixels FileTypeIcon(const std::string& extension) override { return Picture(extension); }
  TIconPixels DriveIcon(const std::string& root) override { return Picture(root); }

 private:
  void Call(const char* what, const std::string& path) { Calls.push_back(what + path); }
  TIconPixels Picture(const std::string& key) {
    IconQueries.push_back(key);
    return PictureOf(key);
  }
};

}  // namespace kv::test
