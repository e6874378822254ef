// The desktop's commands on a file or folder and its pictures of file types
// and drives. One implementation per platform (win32/, freedesktop/), chosen
// at build time; tests substitute a fake.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv {

// A small picture as 32-bit ARGB values (0xAARRGGBB, not premultiplied),
// row after row from the top. Empty when the desktop had none.
struct TIconPixels {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;

  bool Empty() const { return Width <= 0 || Height <= 0 || Pixels.size() != static_cast<size_t>(Width) * Height; }
};

enum class TOpenResult { Opened, NoProgram, Failed };
enum class TTrashResult { Trashed, NoTrash, Failed };

// Paths are full paths in UTF-8. No call shows an error of its own; the
// results say what happened.
class IShell {
 public:
  virtual ~IShell() = default;
  // Opens a file with the program associated with its type.
  virtual TOpenResult OpenFile(const std::string& path) = 0;
  // The desktop's own "open with" chooser; false when there is none or it
  // could not be started.
  virtual bool OpenWithDialog(const std::string& path) = 0;
  // The file manager showing the item selected in its folder; a folder opens itself.
  virtual bool ShowInFileManager(const std::string& path, bool isFolder) = 0;
  // The desktop's properties window; false when it offers none.
  virtual bool ShowProperties(const std::string& path) = 0;
  // To the recycle bin / trash. NoTrash: the item is still there because the
  // trash cannot take it (a drive or mount without one).
  virtual TTrashResult DeleteToRecycleBin(const std::string& path) = 0;
  // Gone for good, a folder with everything in it.
  virtual bool DeletePermanently(const std::string& path) = 0;
  // The small picture of a file type: extension with its dot (".txt"), or
  // empty for files without one. Only the extension decides; no file is read.
  // side: the pixels the picture covers on screen, 16 at 100 % and more on
  // scaled screens, so that it need not be blown up; the picture may be of
  // another size.
  virtual TIconPixels FileTypeIcon(const std::string& extension, int side) = 0;
  // The small picture of a drive, given its root ("C:\", "/home/").
  virtual TIconPixels DriveIcon(const std::string& root, int side) = 0;
};

// The desktop shell of the backend linked in.
std::unique_ptr<IShell> CreateDesktopShell();

}  // namespace kv
