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
  // Paths the trash cannot take, and paths every deletion fails on; others are trashed.
  std::set<std::string> NoTrash, Failing;
  // "open P", "openwith P", "show P" (+ " folder"), "properties P", "trash P", "delete P".
  std::vector<std::string> Calls;
  // The extensions and drive roots whose picture was asked for.
  std::vector<std::string> IconQueries;

  // A 16x16 picture in one colour made from the key.
  static TIconPixels PictureOf(const std::string& key) {
    const auto colour = static_cast<uint32_t>(std::hash<std::string>{}(key) & 0xFFFFFFu) | 0xFF000000u;
    return {16, 16, std::vector<uint32_t>(256, colour)};
  }

  TOpenResult OpenFile(const std::string& path) override { return Call("open ", path, OpenResult); }
  bool OpenWithDialog(const std::string& path) override { return Call("openwith ", path, HasOpenWith); }
  bool ShowInFileManager(const std::string& path, bool isFolder) override {
    return Call("show ", path + (isFolder ? " folder" : ""), true);
  }
  bool ShowProperties(const std::string& path) override { return Call("properties ", path, HasProperties); }
  TTrashResult DeleteToRecycleBin(const std::string& path) override {
    return Call("trash ", path, Failing.count(path) ? TTrashResult::Failed
                                : NoTrash.count(path) ? TTrashResult::NoTrash : TTrashResult::Trashed);
  }
  bool DeletePermanently(const std::string& path) override { return Call("delete ", path, !Failing.count(path)); }
  TIconPixels FileTypeIcon(const std::string& extension, int) override { return Picture(extension); }
  TIconPixels DriveIcon(const std::string& root, int) override { return Picture(root); }

 private:
  template <class T>
  T Call(const char* what, const std::string& path, T result) {
    Calls.push_back(what + path);
    return result;
  }
  TIconPixels Picture(const std::string& key) {
    IconQueries.push_back(key);
    return PictureOf(key);
  }
};

}  // namespace kv::test
