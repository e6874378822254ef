// The whole scanned tree in one file, as an HTML page or as CSV: for every
// folder a table of its subfolders with their total and own sizes and, when
// wanted, its files. Sizes in the size type and unit of the format given.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "export/FileResult.h"
#include "reports/FormatSize.h"
#include "platform/PathStyle.h"

namespace kv {

class TSizeTree;

struct TTreeReportOptions {
  // List the files of every folder below its subfolders.
  bool WithFiles = true;
  // Date and time in the HTML title; the current local time when not given.
  std::optional<std::string> TitleTime;
};

// Both create or replace the file. A failed write leaves it as it was before;
// the HTML writer still attempts its closing lines.
TFileResult WriteTreeReportHtml(const TSizeTree& tree, const std::string& path, const TSizeFormat& format,
                                const TTreeReportOptions& options = {});
TFileResult WriteTreeReportCsv(const TSizeTree& tree, const std::string& path, const TSizeFormat& format,
                               const TTreeReportOptions& options = {});

// The path with ext (".html") appended when its file-name part, after the last
// separator, has no ".".
std::string WithDefaultExtension(std::string_view path, std::string_view ext,
                                 TPathStyle style = NativePathStyle());

// Local date and time as "YYYY-MM-DD HH:MM:SS", the title's fallback.
std::string CurrentLocalTimeText();

}  // namespace kv
