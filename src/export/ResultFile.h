// The binary scan result file: every folder of the size tree with its stored
// totals and every recorded file, so a scan can be looked at again later or
// on another machine. Import merges into whatever the tree holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/FileResult.h"
#include "platform/CompressedInput.h"

namespace kv {

class TSizeTree;

// Writes the whole tree into the file, creating or replacing it. A failed
// write leaves the file as it was before.
TFileResult WriteResultFile(const TSizeTree& tree, const std::string& path);

// Adds the file's folders and files to the tree. Every folder named in the
// file ends with exactly its stored totals and completion flag; what was read
// before a bad record stays. The file may be gzip- or zstd-compressed, and
// "-" reads standard input.
TFileResult ReadResultFile(TSizeTree& tree, const std::string& path);
// The same from a stream; size is the stored length when known, and path
// names the stream in messages.
TFileResult ReadResultFile(TSizeTree& tree, IByteSource& source, std::optional<uint64_t> size,
                           const std::string& path);

// The failure to report for an input that could not be opened.
TFileResult InputFailure(const TOpenedInput& opened, const std::string& path);

}  // namespace kv
