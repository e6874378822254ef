// Files of the scan history are kept compressed: a small zstd writer that
// compresses one file into another, replacing the target only when complete.
#pragma once

#include <string>

#include "export/FileResult.h"

namespace kv {

// Whether this build can write compressed files at all.
bool ZstdAvailable();

// Compresses `source` into `target` (a single zstd frame). A failed write
// leaves the target as it was and names the file that failed.
TFileResult WriteZstdFile(const std::string& source, const std::string& target);

}  // namespace kv
