// The small icon of each file type, looked up once per extension and run and
// kept in the program's image list after its three fixed images.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <QIcon>

#include "platform/Shell.h"

namespace kv {

// The desktop's pixels as an icon; a null icon for an empty picture.
QIcon IconFromPixels(const TIconPixels& pixels);

// A drive's own icon from the desktop, else the fallback.
QIcon DriveIconOf(IShell& shell, const std::string& root, const QIcon& fallback);

class TFileIconsList {
 public:
  // fixedImages: the images before the first file type (folders, drive).
  explicit TFileIconsList(int32_t fixedImages) : Fixed_(fixedImages) {}

  // The image index of the name's file type (its extension, lower-cased; a
  // bare extension works too), or -1 when the shell had no icon.
  int32_t IconOf(const std::string& name, IShell& shell);
  // The image index of the name's file type if it was looked up before, else -1.
  int32_t KnownIconOf(std::string_view name) const;
  // The icon at an index this list gave, else a null icon.
  QIcon ImageAt(int32_t index) const;
  size_t Count() const { return Icons_.size(); }

 private:
  int32_t Fixed_;
  std::map<std::string, int32_t, std::less<>> Extensions_;
  std::vector<QIcon> Icons_;
};

}  // namespace kv
