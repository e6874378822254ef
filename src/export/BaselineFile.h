// Reading a result file as the baseline to compare the tree with.
#pragma once

#include <string>

#include "export/FileResult.h"
#include "reports/ChangeBaseline.h"

namespace kv {

class ILocale;

// Reads the file into a tree of its own, keeps the compact map of it and drops
// that tree. A file that cannot be read leaves `baseline` as it was and gives
// the reader's message.
TFileResult ReadBaselineFile(const std::string& path, const TSizeTree& now, const ILocale& locale,
                             TChangeBaseline& baseline);

}  // namespace kv
