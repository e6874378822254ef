// The window's file commands without the window: ask the name, add the
// default extension, confirm replacing a file, write or read, and show the
// file layer's failure. The window adds its menus and the wait cursor.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "export/ReportFile.h"
#include "export/ResultFile.h"
#include "reports/AggregateReport.h"
#include "reports/FormatSize.h"
#include "platform/PathStyle.h"
#include "app/UserDialog.h"

namespace kv {

class TFileServices;
class TReportPane;
class TSizeTree;

// A dialog filter entry and the extension added to a name without one.
struct TFileKind {
  const char* Filter;
  const char* Extension;
};
// Wildcard patterns, so existing files of the type are listed.
inline constexpr TFileKind ResultFileKind{"Kestrove Result|*.kvr", ".kvr"};
inline constexpr TFileKind NcduFileKind{"ncdu JSON|*.json", ".json"};
// What Import lists: result files, and ncdu or gdu JSON exports, also compressed.
inline constexpr const char* ImportFilter =
    "Kestrove Result|*.kvr|ncdu JSON|*.json *.json.gz *.json.zst *.gz *.zst|All files|*";
inline constexpr TFileKind TextFileKind{"Text file|*.txt", ".txt"};
inline constexpr TFileKind CsvFileKind{"CSV file|*.csv", ".csv"};
inline constexpr TFileKind HtmlFileKind{"Html file|*.html", ".html"};

enum class TReportFileFormat { Text, Csv, Html };
enum class TTreeReportFormat { Html, Csv };

const TFileKind& FileKindOf(TReportFileFormat format);
const TFileKind& FileKindOf(TTreeReportFormat format);

// Cancelled: the user stopped at a dialog or question; nothing changed.
// Failed: the error was shown; a file written stays as it was before (a
// partial import stays).
enum class TCommandOutcome { Cancelled, Done, Failed };

// What every file command runs on.
struct TFileCommandEnv {
  IUserDialog& Dialog;
  TTranslate Translate;
  // Called with true before a file is written or read and with false after
  // it, also when that fails; the window shows the wait cursor. May be empty.
  std::function<void(bool busy)> Busy;
  // The save dialog starts with the name chosen last by any save command.
  std::string LastSaveName;
  TPathStyle Style = NativePathStyle();
};

// The name to write: the dialog (titled by the text titleId), the default
// extension, and a Yes to the replace question when the file exists. Empty
// when the user stopped.
std::string AskSaveName(TFileCommandEnv& env, const TFileKind& kind, const char* titleId);

// Writes the whole tree as a result file.
TCommandOutcome ExportResultCommand(const TSizeTree& tree, TFileCommandEnv& env);

// Writes the tree as ncdu JSON.
TCommandOutcome ExportNcduCommand(const TSizeTree& tree, TFileCommandEnv& env);

// Merges a result file or an ncdu JSON file (told by the content) into the tree. A missing file is ignored silently.
// Anything but Cancelled may have changed the tree.
TCommandOutcome ImportResultCommand(TSizeTree& tree, TFileCommandEnv& env);

// The list the pane shows for its kind, with the visible columns by index and
// the pane's size format. It refers to the pane's rows and must not outlive them.
TReportTable PaneReportTable(const TReportPane& pane, std::vector<bool> visible, const TTranslate& translate);

// Saves the pane's current list: its rows in their current order and the
// visible columns. folder is the focused folder's node path, or empty.
TCommandOutcome SaveReportCommand(TReportFileFormat format, const TReportPane& pane,
                                  const std::vector<bool>& visible, const std::string& folder,
                                  const std::string& titleTime, TFileCommandEnv& env);

// Saves the full tree report with sizes in the given format.
TCommandOutcome SaveTreeReportCommand(TTreeReportFormat format, bool withFiles, const TSizeTree& tree,
                                      const TSizeFormat& sizeFormat, const std::string& titleTime,
                                      TFileCommandEnv& env);

// Now as a local day-count date-time, for the titles of written pages.
double NowAsDayCount(const TFileServices& services);

}  // namespace kv
