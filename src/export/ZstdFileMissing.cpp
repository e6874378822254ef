#include "export/ZstdFile.h"

namespace kv {

// Builds without libzstd keep no compressed files; the history says so once.
bool ZstdAvailable() { return false; }

TFileResult WriteZstdFile(const std::string&, const std::string& target) {
  return TFileResult::Failure("Cannot write \"" + target + "\": this build has no zstd compression");
}

}  // namespace kv
