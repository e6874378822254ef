#include "export/BaselineFile.h"

#include <utility>

#include "export/ResultFile.h"

namespace kv {

TFileResult ReadBaselineFile(const std::string& path, const TSizeTree& now, const ILocale& locale,
                             TChangeBaseline& baseline) {
  TChangeBaseline fresh;
  {
    TSizeTree before(now.Services(), locale);
    if (TFileResult result = ReadResultFile(before, path); !result) return result;
    fresh.Build(before, now);
  }
  fresh.SourceFile = path;
  baseline = std::move(fresh);
  return {};
}

}  // namespace kv
