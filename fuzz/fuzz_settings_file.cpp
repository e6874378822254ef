// The settings file reader and its writer. A file it accepts takes a changed
// value and gives it back to the next reader; a file it refuses stays as it was.
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "FuzzFile.h"
#include "settings/QtSettingsStore.h"
#include "settings/SettingsStore.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A fresh name each time: QSettings keeps what it read of a file by name.
  static unsigned run = 0;
  const std::string path = kv::fuzz::ScratchPath("input-" + std::to_string(run++ % 64) + ".conf");
  std::remove(path.c_str());
  std::remove((path + ".lock").c_str());
  kv::fuzz::WriteScratch(path, data, size);
  const std::string original(reinterpret_cast<const char*>(data), size);
  // A text of the input's own, spelled as UTF-8 the way QString keeps it.
  const std::string text =
      QString::fromUtf8(original.data(), static_cast<qsizetype>(std::min<size_t>(size, 64))).toStdString();

  bool usable = false;
  {
    kv::TQtSettingsStore store(path);
    (void)kv::ReadRegString(store, "Language", "English");
    const int32_t count = kv::ReadRegInteger(store, "ReportListCount", 50);
    kv::WriteRegInteger(store, "ReportListCount", count == 7 ? 8 : 7);
    kv::WriteRegString(store, "Fuzz Value", "a;b=c\\d\"");
    kv::WriteRegString(store, "Fuzz Text", text);
    usable = !store.UnusableFile();
  }
  if (!usable) {
    if (Contents(path) != original) {
      std::fprintf(stderr, "a refused settings file was changed\n");
      std::abort();
    }
    return 0;
  }
  kv::TQtSettingsStore reader(path);
  const int32_t count = kv::ReadRegInteger(reader, "ReportListCount", -1);
  if ((count != 7 && count != 8) || kv::ReadRegString(reader, "Fuzz Value", "") != "a;b=c\\d\"" ||
      kv::ReadRegString(reader, "Fuzz Text", "?") != text) {
    std::fprintf(stderr, "a written value did not come back (%d)\n", count);
    std::abort();
  }
  return 0;
}
