#include "app/ExportCommands.h"

#include "export/NcduExport.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

#include "export/TreeReport.h"
#include "app/ReportPane.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "settings/TextIds.h"

namespace kv {

namespace {

bool FileExists(const std::string& utf8) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), ignored);
}

// Busy from construction to destruction, so a failing writer still ends it.
class TBusyScope {
 public:
  explicit TBusyScope(const std::function<void(bool)>& busy) : Busy_(busy) {
    if (Busy_) Busy_(true);
  }
  ~TBusyScope() {
    if (Busy_) Busy_(false);
  }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  const std::function<void(bool)>& Busy_;
};

TCommandOutcome Report(const TFileResult& result, TFileCommandEnv& env) {
  if (result) return TCommandOutcome::Done;
  if (result.TextId && env.Translate) {
    std::string text = env.Translate(result.TextId);
    if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, result.FileName);
    env.Dialog.ShowError(text);
  } else {
    env.Dialog.ShowError(result.Message);
  }
  return TCommandOutcome::Failed;
}

std::string TextOf(const TFileCommandEnv& env, const char* id) { return env.Translate ? env.Translate(id) : std::string(id); }

template <typename TWrite>
TCommandOutcome SaveWith(const TFileKind& kind, const char* titleId, TFileCommandEnv& env, TWrite&& write) {
  const std::string name = AskSaveName(env, kind, titleId);
  if (name.empty()) return TCommandOutcome::Cancelled;
  TFileResult result;
  {
    TBusyScope busy(env.Busy);
    result = write(name);
  }
  return Report(result, env);
}

}  // namespace

const TFileKind& FileKindOf(TReportFileFormat format) {
  switch (format) {
    case TReportFileFormat::Text: return TextFileKind;
    case TReportFileFormat::Csv: return CsvFileKind;
    case TReportFileFormat::Html: break;
  }
  return HtmlFileKind;
}

const TFileKind& FileKindOf(TTreeReportFormat format) {
  return format == TTreeReportFormat::Csv ? CsvFileKind : HtmlFileKind;
}

std::string AskSaveName(TFileCommandEnv& env, const TFileKind& kind, const char* titleId) {
  // The last name without its extension: a result file's name would
  // otherwise come back as "scan1.kvr.csv" for a report.
  std::string chosen = env.LastSaveName;
  const size_t last = env.Style == TPathStyle::Windows ? chosen.find_last_of("\\/:") : chosen.find_last_of('/');
  if (const size_t dot = chosen.rfind('.'); dot != std::string::npos && (last == std::string::npos || dot > last + 1))
    chosen.erase(dot);
  int filterIndex = 1;
  if (!env.Dialog.SaveFileName(TextOf(env, titleId), kind.Filter, chosen, filterIndex) || chosen.empty()) return {};
  env.LastSaveName = chosen;
  std::string name = WithDefaultExtension(chosen, kind.Extension, env.Style);
  if (FileExists(name)) {
    const std::string question = TextOf(env, IdAskOverwrite);
    if (!env.Dialog.AskYesNo(question)) return {};
  }
  return name;
}

TCommandOutcome ExportResultCommand(const TSizeTree& tree, TFileCommandEnv& env) {
  return SaveWith(ResultFileKind, IdExportResultTitle, env,
                  [&](const std::string& name) { return WriteResultFile(tree, name); });
}

TCommandOutcome ExportNcduCommand(const TSizeTree& tree, TFileCommandEnv& env) {
  return SaveWith(NcduFileKind, IdSaveNcduJson, env, [&](const std::string& name) { return WriteNcduJson(tree, name); });
}

TCommandOutcome ImportResultCommand(TSizeTree& tree, TFileCommandEnv& env) {
  std::string name;
  if (!env.Dialog.OpenFileName(TextOf(env, IdImportResultTitle), ImportFilter, name) || !FileExists(name))
    return TCommandOutcome::Cancelled;
  TFileResult result;
  {
    TBusyScope busy(env.Busy);
    result = ReadResultFile(tree, name);
  }
  return Report(result, env);
}

TReportTable PaneReportTable(const TReportPane& pane, std::vector<bool> visible, const TTranslate& translate) {
  if (pane.ChangesShown()) return ChangesReportTable(pane.Changes().Rows, std::move(visible), pane.SizeFormat(), translate);
  if (pane.ListingShown())
    return ListingReportTable(pane.FilesRows(), pane.Kind(), std::move(visible), pane.SizeFormat(), translate);
  return AggregateReportTable(pane.ExtensionsRows(), std::move(visible), pane.SizeFormat(), translate);
}

TCommandOutcome SaveReportCommand(TReportFileFormat format, const TReportPane& pane,
                                  const std::vector<bool>& visible, const std::string& folder,
                                  const std::string& titleTime, TFileCommandEnv& env) {
  return SaveWith(FileKindOf(format), IdSaveReportTitle, env, [&](const std::string& name) {
    const TReportTable table = PaneReportTable(pane, visible, env.Translate);
    const TReportHead head{ReportTypeText(pane.Kind(), env.Translate), folder, titleTime};
    switch (format) {
      case TReportFileFormat::Text: return WriteReportText(table, head, name);
      case TReportFileFormat::Csv: return WriteReportCsv(table, head, name);
      case TReportFileFormat::Html: break;
    }
    return WriteReportHtml(table, head, name);
  });
}

TCommandOutcome SaveTreeReportCommand(TTreeReportFormat format, bool withFiles, const TSizeTree& tree,
                                      const TSizeFormat& sizeFormat, const std::string& titleTime,
                                      TFileCommandEnv& env) {
  return SaveWith(FileKindOf(format), IdReportTreeCaption, env, [&](const std::string& name) {
    TTreeReportOptions options;
    options.WithFiles = withFiles;
    options.TitleTime = titleTime;
    return format == TTreeReportFormat::Html ? WriteTreeReportHtml(tree, name, sizeFormat, options)
                                             : WriteTreeReportCsv(tree, name, sizeFormat, options);
  });
}

double NowAsDayCount(const TFileServices& services) {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const int64_t units = std::chrono::duration_cast<std::chrono::microseconds>(sinceEpoch).count() * 10;
  return services.FileTimeToLocalDateTime(units + 116444736000000000LL);
}

}  // namespace kv
