#include "cli/Cli.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <memory>
#include <ostream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>

#include "cli/CliHelp.h"
#include "cli/PngImage.h"
#include "app/ExportCommands.h"
#include "export/ReportFile.h"
#include "export/OutputFile.h"
#include "export/NcduExport.h"
#include "scan/SshScan.h"
#include "export/BaselineFile.h"
#include "export/ResultFile.h"
#include "export/TreeReport.h"
#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"
#include "model/FileServices.h"
#include "scan/FolderSearch.h"
#include "model/Saturate.h"
#include "platform/InputFile.h"
#include "platform/ProgramVersion.h"
#include "model/SizeTree.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "treemap/Treemap.h"

namespace kv {

namespace {

// The folders a scan could not list: how many, and the first few with the reason.
void ReportReadErrors(const std::vector<TReadError>& errors, std::ostream& err) {
  if (errors.empty()) return;
  constexpr size_t Shown = 5;
  err << "kestrove-cli: " << errors.size() << (errors.size() == 1 ? " folder" : " folders")
      << " could not be read\n";
  for (size_t i = 0; i < errors.size() && i < Shown; ++i)
    err << "  " << errors[i].Path << ": " << errors[i].Reason << "\n";
  if (errors.size() > Shown) err << "  and " << errors.size() - Shown << " more\n";
}

// The file name that stands for the out stream.
constexpr std::string_view StandardOutput = "-";

// One output written after the imports and scans; the options that follow
// its first option belong to it.
struct TOutput {
  std::string Option;  // the option that started it, for messages
  std::string Format;
  std::string Out;
  bool WithFiles = true;
  // List reports only.
  TReportKind Kind = TReportKind::FilesInThisFolder;
  std::string Folder;
  TSortState Sort;
  // Treemaps only.
  int Width = 1280;
  int Height = 800;
};

struct TRequest {
  std::vector<std::string> Imports;
  std::string ExportNcdu;
  TSshMethod SshMethod = TSshMethod::Auto;
  std::string SshConfig;
  std::vector<std::string> Scans;
  std::string Export;
  std::string Compare;
  bool Stats = false;
  bool Help = false;
  bool Version = false;
  bool CountLinks = false;
  bool OneFileSystem = false;
  bool Strict = false;
  int Threads = 0;  // default
  std::optional<TSizeUnit> Unit;
  std::optional<TSizeType> SizeType;
  std::vector<TOutput> Reports;
  std::vector<TOutput> TreeReports;
  std::vector<TOutput> Treemaps;
  TOutput* Current = nullptr;  // the output the following options belong to
};

// One option: its name, whether it takes a value, and what it records.
struct TOptionSpec {
  const char* Name;
  bool TakesValue;
  std::function<void(TRequest&, const std::string&)> Apply;
};

// The list report the option belongs to.
TOutput& ReportOption(TRequest& r, const char* option) {
  if (!r.Current || r.Current->Option != "--report")
    throw std::invalid_argument("'" + std::string(option) + "' belongs after --report");
  return *r.Current;
}

const std::vector<TOptionSpec>& Options() {
  static const std::vector<TOptionSpec> options = {
      {"--import", true, [](TRequest& r, const std::string& v) { r.Imports.push_back(v); }},
      {"--scan", true, [](TRequest& r, const std::string& v) { r.Scans.push_back(v); }},
      {"--export", true, [](TRequest& r, const std::string& v) { r.Export = v; }},
      {"--export-ncdu", true, [](TRequest& r, const std::string& v) { r.ExportNcdu = v; }},
      {"--ssh-method", true,
       [](TRequest& r, const std::string& v) {
         if (!ParseSshMethod(v, r.SshMethod))
           throw std::invalid_argument("'--ssh-method' takes auto, kestrove, ncdu, find or find1, not '" + v + "'");
       }},
      {"--ssh-config", true, [](TRequest& r, const std::string& v) { r.SshConfig = v; }},
      {"--compare", true, [](TRequest& r, const std::string& v) { r.Compare = v; }},
      {"--stats", false, [](TRequest& r, const std::string&) { r.Stats = true; }},
      {"--threads", true,
       [](TRequest& r, const std::string& v) {
         const bool digits = !v.empty() && v.size() <= 2 && v.find_first_not_of("0123456789") == std::string::npos;
         r.Threads = digits ? std::stoi(v) : 0;
         if (r.Threads < 1 || r.Threads > 64)
           throw std::invalid_argument("'--threads' takes a number from 1 to 64, not '" + v + "'");
       }},
      {"--help", false, [](TRequest& r, const std::string&) { r.Help = true; }},
      {"-h", false, [](TRequest& r, const std::string&) { r.Help = true; }},
      {"--version", false, [](TRequest& r, const std::string&) { r.Version = true; }},
      {"--count-links", false, [](TRequest& r, const std::string&) { r.CountLinks = true; }},
      {"--one-file-system", false, [](TRequest& r, const std::string&) { r.OneFileSystem = true; }},
      {"--strict", false, [](TRequest& r, const std::string&) { r.Strict = true; }},
      {"--unit", true,
       [](TRequest& r, const std::string& v) {
         static const std::pair<const char*, TSizeUnit> units[] = {
             {"B", TSizeUnit::B}, {"KB", TSizeUnit::KB}, {"MB", TSizeUnit::MB}, {"GB", TSizeUnit::GB}};
         for (const auto& [name, unit] : units)
           if (v == name) r.Unit = unit;
         if (!r.Unit) throw std::invalid_argument("unknown size unit '" + v + "' (B, KB, MB or GB)");
       }},
      {"--size-type", true,
       [](TRequest& r, const std::string& v) {
         if (v == "file") r.SizeType = TSizeType::FileSize;
         else if (v == "allocated") r.SizeType = TSizeType::Allocated;
         else throw std::invalid_argument("unknown size type '" + v + "' (file or allocated)");
       }},
      {"--tree-report", true,
       [](TRequest& r, const std::string& v) {
         if (v != "html" && v != "csv") throw std::invalid_argument("unknown tree report format '" + v + "' (html or csv)");
         TOutput output;
         output.Option = "--tree-report";
         output.Format = v;
         r.TreeReports.push_back(output);
         r.Current = &r.TreeReports.back();
       }},
      {"--treemap", true,
       [](TRequest& r, const std::string& v) {
         TOutput output;
         output.Option = "--treemap";
         output.Out = v;
         r.Treemaps.push_back(output);
         r.Current = &r.Treemaps.back();
       }},
      {"--treemap-size", true,
       [](TRequest& r, const std::string& v) {
         if (!r.Current || r.Current->Option != "--treemap")
           throw std::invalid_argument("'--treemap-size' belongs after --treemap");
         // Digits only: no signs or blanks.
         const auto pixels = [](const std::string& t) {
           if (t.empty() || t.size() > 5 || t.find_first_not_of("0123456789") != std::string::npos) return 0;
           return std::stoi(t);
         };
         const size_t x = v.find_first_of("xX");
         const int width = x == std::string::npos ? 0 : pixels(v.substr(0, x));
         const int height = x == std::string::npos ? 0 : pixels(v.substr(x + 1));
         if (width < 1 || height < 1 || width > 16384 || height > 16384)
           throw std::invalid_argument("treemap size '" + v + "' is not WIDTHxHEIGHT with both between 1 and 16384");
         r.Current->Width = width;
         r.Current->Height = height;
       }},
      {"--report", true,
       [](TRequest& r, const std::string& v) {
         const std::optional<TReportKind> kind = FindReportKind(v);
         if (!kind) throw std::invalid_argument("unknown report kind '" + v + "'");
         TOutput output;
         output.Option = "--report";
         output.Kind = *kind;
         // Largest change first, as the report is built.
         if (*kind == TReportKind::Changes) output.Sort.Column = ccDifference;
         r.Reports.push_back(output);
         r.Current = &r.Reports.back();
       }},
      {"--format", true,
       [](TRequest& r, const std::string& v) {
         ReportOption(r, "--format");
         if (v != "text" && v != "csv" && v != "html")
           throw std::invalid_argument("unknown report format '" + v + "' (text, csv or html)");
         r.Current->Format = v;
       }},
      {"--folder", true,
       [](TRequest& r, const std::string& v) {
         if (!r.Current || (r.Current->Option != "--report" && r.Current->Option != "--treemap"))
           throw std::invalid_argument("'--folder' belongs after --report or --treemap");
         r.Current->Folder = v;
       }},
      {"--sort", true,
       [](TRequest& r, const std::string& v) {
         TOutput& output = ReportOption(r, "--sort");
         const int columns = static_cast<int>(ColumnsOf(output.Kind).size());
         size_t used = 0;
         int column = -1;
         try {
           column = std::stoi(v, &used);
         } catch (const std::exception&) {
         }
         if (used != v.size() || column < 0 || column >= columns)
           throw std::invalid_argument("sort column '" + v + "' is not between 0 and " + std::to_string(columns - 1));
         output.Sort.Column = column;
       }},
      {"--ascending", false, [](TRequest& r, const std::string&) { ReportOption(r, "--ascending").Sort.Descending = false; }},
      {"--descending", false, [](TRequest& r, const std::string&) { ReportOption(r, "--descending").Sort.Descending = true; }},
      {"--out", true,
       [](TRequest& r, const std::string& v) {
         if (!r.Current || r.Current->Option == "--treemap")
           throw std::invalid_argument("'--out' belongs after --report or --tree-report");
         r.Current->Out = v;
       }},
      {"--no-files", false,
       [](TRequest& r, const std::string&) {
         if (!r.Current || r.Current->Option != "--tree-report")
           throw std::invalid_argument("'--no-files' belongs after --tree-report");
         r.Current->WithFiles = false;
       }},
  };
  return options;
}

std::string Utf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

std::filesystem::path FromUtf8(const std::string& s) {
  return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

// Folders alone, as a newcomer first tries it: the first one's files and
// folders as text. Anything starting with '-' is an option, whatever is on disk.
bool OnlyFolders(const std::vector<std::string>& args) {
  std::error_code ec;
  for (const std::string& arg : args)
    if (arg.starts_with('-') || !std::filesystem::is_directory(FromUtf8(arg), ec)) return false;
  return !args.empty();
}

// Fills the request; an error message when the command line is wrong.
std::string Parse(const std::vector<std::string>& args, TRequest& request) {
  if (OnlyFolders(args)) {
    request.Scans = args;
    TOutput report;
    report.Option = "--report";
    report.Format = "text";
    report.Out = StandardOutput;
    request.Reports.push_back(report);
    return {};
  }
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "/?" && NativePathStyle() == TPathStyle::Windows) {
      request.Help = true;
      continue;
    }
    std::string name = args[i], value;
    bool inlineValue = false;
    if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
      inlineValue = true;
    }
    const TOptionSpec* found = nullptr;
    for (const TOptionSpec& option : Options())
      if (name == option.Name) found = &option;
    if (!found) return "unknown option '" + args[i] + "' (see --help)";
    if (found->TakesValue && !inlineValue) {
      if (i + 1 >= args.size()) return "option '" + name + "' needs a value (see --help)";
      value = args[++i];
    } else if (!found->TakesValue && inlineValue) {
      return "option '" + name + "' takes no value (see --help)";
    }
    if (found->TakesValue && value.empty()) return "option '" + name + "' needs a value (see --help)";
    try {
      found->Apply(request, value);
    } catch (const std::invalid_argument& e) {
      return std::string(e.what()) + " (see --help)";
    }
  }
  for (const TOutput& output : request.Reports) {
    const std::string name(ReportKindInfo(output.Kind).PopupName.substr(3));
    if (output.Format.empty()) return "'--report " + name + "' needs --format (see --help)";
    if (output.Out.empty()) return "'--report " + name + "' needs --out FILE (see --help)";
    if (output.Kind == TReportKind::Changes && request.Compare.empty())
      return "'--report " + name + "' needs --compare FILE (see --help)";
  }
  for (const TOutput& output : request.TreeReports)
    if (output.Out.empty()) return "'" + output.Option + " " + output.Format + "' needs --out FILE (see --help)";
  return {};
}

// Scan roots are absolute: the tree is built from the top-level component down.
std::string AbsoluteFolder(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(FromUtf8(path), ec).lexically_normal();
  if (ec || !std::filesystem::is_directory(absolute, ec)) {
    error = "cannot scan '" + path + "': no such folder";
    return {};
  }
  return Utf8(absolute);
}

// The folder a report is about: the one named, else the first scan root, else
// the first top-level folder; nothing in an empty tree.
const TFolderNode* ReportFolder(const TSizeTree& tree, const TFileServices& services, const std::string& named,
                                const std::vector<std::string>& roots, std::string& error) {
  std::string path = named;
  if (!named.empty()) {
    // A folder imported from the other platform is named as it stands.
    std::error_code ec;
    if (PathStyleOf(named, services.Style()) == services.Style())
      path = Utf8(std::filesystem::absolute(FromUtf8(named), ec).lexically_normal());
  } else if (!roots.empty()) {
    path = roots.front();
  } else {
    return tree.Root()->ChildCount() > 0 ? tree.Root()->Child(0) : nullptr;
  }
  const TFolderNode* node = tree.FindFolderNode(path);
  if (node->IsHiddenRoot() || GetNodePath(node) != IncludeTrailingSeparator(path, PathStyleOf(path, services.Style()))) {
    error = "the folder '" + named + "' is not in the tree";
    return nullptr;
  }
  return node;
}

using TFileWriter = std::function<TFileResult(const std::string& path)>;

// Writes a file, or for "-" the out stream: the writers stay the ones the window
// uses, writing a temporary file whose bytes are then copied.
TFileResult WriteTarget(const std::string& target, std::ostream& out, const TFileWriter& write) {
  if (target != StandardOutput) return write(target);
  std::error_code ec;
  std::random_device random;
  const std::filesystem::path temporary =
      std::filesystem::temp_directory_path(ec) /
      ("kestrove-cli-" + std::to_string(random()) + "-" + std::to_string(random()) + ".tmp");
  if (ec) return TFileResult::Failure("Cannot write to standard output: no temporary folder");
  TFileResult result = write(Utf8(temporary));
  if (result) {
    std::ifstream in(temporary, std::ios::binary);
    out << in.rdbuf();
    out.flush();
    if (!in || !out) result = TFileResult::Failure("Cannot write to standard output");
  } else {
    // The message names the file the user asked for, not the temporary one.
    const std::string name = Utf8(temporary);
    for (size_t at = result.Message.find(name); at != std::string::npos; at = result.Message.find(name, at))
      result.Message.replace(at, name.size(), "standard output");
  }
  std::filesystem::remove(temporary, ec);
  return result;
}

TFileResult WriteListReport(const TOutput& output, const TFolderNode* folder, const TFileServices& services,
                            ISettingsStore& store, const TSizeFormat& format, const TTranslate& translate,
                            const TChangeBaseline& baseline, std::ostream& out) {
  TReportSettings settings;
  settings.ListCount = ReadRegInteger(store, "ReportListCount", 50);
  settings.OldestType = ReadRegInteger(store, "ReportOldestType", 1);
  const TReportKind kind = output.Kind;
  const std::vector<bool> visible = ApplyColumnVisibility(store, kind, InitialColumnVisibility(kind));
  const TReportHead head{ReportTypeText(kind, translate), GetNodePath(folder),
                         DateTimeText(NowAsDayCount(services), *format.Locale)};
  // Both row lists live until the file is written: the table refers to them.
  TListingRows listing;
  TAggregateRows aggregate;
  TChangesReport changes;
  TReportTable table;
  if (kind == TReportKind::Changes) {
    changes = BuildChangesReport(folder, baseline, format.Type);
    SortChangesRows(changes.Rows, output.Sort);
    table = ChangesReportTable(changes.Rows, visible, format, translate);
  } else if (IsListingKind(kind)) {
    listing = BuildListingReport(folder, kind, settings, format.Type);
    SortFilesRows(listing, output.Sort, kind, format.Type);
    table = ListingReportTable(listing, kind, visible, format, translate);
  } else {
    aggregate = BuildAggregateReport(folder, kind, settings, translate, *format.Locale);
    SortExtensionsRows(aggregate, output.Sort);
    table = AggregateReportTable(aggregate, visible, format, translate);
  }
  return WriteTarget(output.Out, out, [&](const std::string& path) {
    if (output.Format == "text") return WriteReportText(table, head, path);
    if (output.Format == "csv") return WriteReportCsv(table, head, path);
    return WriteReportHtml(table, head, path);
  });
}

// The picture of the folder's subtree in the given size type.
TFileResult WriteTreemapPng(const TOutput& output, const TFolderNode* folder, TSizeType sizeType, std::ostream& out) {
  const TTreemapSnapshot snapshot = TakeTreemapSnapshot(folder, sizeType, output.Width, output.Height);
  TTreemapLayout layout;
  layout.Build(snapshot, output.Width, output.Height);
  std::vector<uint32_t> pixels(static_cast<size_t>(output.Width) * static_cast<size_t>(output.Height));
  RenderTreemap(snapshot, layout, pixels.data(), output.Width, output.Height, output.Width);
  const std::string png = EncodePng(pixels.data(), output.Width, output.Height);
  if (png.empty()) return TFileResult::Failure("Cannot write \"" + output.Out + "\": this build has no PNG writer");
  if (output.Out == StandardOutput) {
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    out.flush();
    return out ? TFileResult{} : TFileResult::Failure("Cannot write to standard output");
  }
  TOutputFile file;
  if (TFileResult opened = file.Open(output.Out); !opened) return opened;
  file.Put(png);
  return file.Close();
}

// The tree a run left to the system; kept reachable, so no leak checker reports it.
TSizeTree* LeftTree = nullptr;

int RunRequest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TCliEnvironment& environment) {
  const auto started = std::chrono::steady_clock::now();
  TRequest request;
  if (std::string error = Parse(args, request); !error.empty()) {
    err << "kestrove-cli: " << error << "\n";
    return CliError;
  }
  if (request.Help || args.empty()) {
    out << HelpText;
    return CliOk;
  }
  if (request.Version) {
    out << "kestrove-cli " << ProgramVersion << "\n";
    return CliOk;
  }

  std::vector<std::string> roots, sshScans;
  for (const std::string& scan : request.Scans) {
    std::string error;
    if (IsSshUrl(scan)) {
      // Checked here, so a mistyped address costs no connection.
      TSshTarget target;
      if (!ParseSshUrl(scan, target, error)) {
        err << "kestrove-cli: '" << scan << "': " << error << "\n";
        return CliError;
      }
      sshScans.push_back(scan);
      continue;
    }
    roots.push_back(AbsoluteFolder(scan, error));
    if (!error.empty()) {
      err << "kestrove-cli: " << error << "\n";
      return CliError;
    }
  }

  if (const std::optional<std::string> file = environment.Settings->UnusableFile())
    err << "kestrove-cli: warning: the settings file \"" << *file
        << "\" cannot be read; it is left as it is and the defaults are used\n";
  // Read as the window reads them: a refused file is told here, not left unexplained.
  const TLangList languages(*environment.Settings, *environment.Platform.FileSystem,
                            environment.LanguageFolder.empty() ? LanguageFolder() : environment.LanguageFolder);
  for (const TLang& lang : languages.Langs())
    if (lang.Fault() == TInputFault::NotRegular || lang.Fault() == TInputFault::TooLarge)
      err << "kestrove-cli: warning: the language file " << InputFaultText(lang.Fault(), lang.FileName(), 0) << "\n";

  // The run's one locale: the tree's order, the scan filter and every text.
  const ILocale& locale = *environment.Platform.Locale;
  TFileServices services(environment.Platform, NativePathStyle());
  auto ownedTree = std::make_unique<TSizeTree>(services, locale);
  TSizeTree& tree = *ownedTree;

  for (const std::string& file : request.Imports) {
    if (TFileResult result = ReadResultFile(tree, file); !result) {
      err << "kestrove-cli: " << result.Message << "\n";
      return CliError;
    }
  }

  int status = CliOk;
  // Scans over SSH one after the other; what arrived stays when one fails.
  for (const std::string& url : sshScans) {
    if (std::string error = RunSshScan(tree, url, request.SshMethod, request.SshConfig); !error.empty()) {
      err << "kestrove-cli: " << error << "\n";
      status = CliError;
    }
  }
  {
    TUiCallQueue queue;
    TScanEngine engine(tree, queue, *environment.Settings, locale);
    if (request.Threads > 0) engine.SetReaderCount(request.Threads);
    engine.SetCountLinksOnce(!request.CountLinks);
    engine.SetOneFileSystem(request.OneFileSystem);
    engine.OnScanError = [&](const std::string& root, const EMaskError& error) {
      err << "kestrove-cli: the scan of '" << root << "' ended early: " << error.what() << "\n";
      status = CliError;
    };
    for (size_t i = 0; i < roots.size(); ++i) {
      if (!engine.StartScan(roots[i]))
        err << "kestrove-cli: not scanning '" << request.Scans[i]
            << "': it lies inside a folder that is being scanned\n";
    }
    while (engine.ActiveScans() > 0) queue.WaitAndDrain(std::chrono::milliseconds(50));
    ReportReadErrors(engine.ReadErrors(), err);
    if (request.Strict && !engine.ReadErrors().empty() && status == CliOk) status = CliUnreadFolders;
  }

  if (!request.Export.empty()) {
    if (TFileResult result = WriteResultFile(tree, request.Export); !result) {
      err << "kestrove-cli: " << result.Message << "\n";
      return CliError;
    }
  }

  if (!request.ExportNcdu.empty()) {
    const TFileResult result =
        WriteTarget(request.ExportNcdu, out, [&](const std::string& path) { return WriteNcduJson(tree, path); });
    if (!result) {
      err << "kestrove-cli: " << result.Message << "\n";
      return CliError;
    }
  }

  TChangeBaseline baseline;
  if (!request.Compare.empty()) {
    if (TFileResult result = ReadBaselineFile(request.Compare, tree, locale, baseline); !result) {
      err << "kestrove-cli: " << result.Message << "\n";
      return CliError;
    }
    if (baseline.OtherRoot())
      err << "kestrove-cli: warning: \"" << request.Compare
          << "\" holds none of the folders in the tree; everything compares as new\n";
  }

  // Every report, tree report and picture of this run shows sizes this way.
  const TSizeFormat format{request.SizeType.value_or(TSizeType::FileSize), request.Unit.value_or(TSizeUnit::MB),
                           &locale};

  if (!request.Reports.empty()) {
    const TTranslate translate = LanguageTranslator(languages);
    for (const TOutput& output : request.Reports) {
      std::string error;
      const TFolderNode* folder = ReportFolder(tree, services, output.Folder, roots, error);
      if (!error.empty()) {
        err << "kestrove-cli: " << error << "\n";
        return CliError;
      }
      if (TFileResult result = WriteListReport(output, folder, services, *environment.Settings, format, translate, baseline,
                                                  out);
          !result) {
        err << "kestrove-cli: " << result.Message << "\n";
        return CliError;
      }
    }
  }

  for (const TOutput& output : request.TreeReports) {
    TTreeReportOptions options;
    options.WithFiles = output.WithFiles;
    options.TitleTime = DateTimeText(NowAsDayCount(services), locale);
    const TFileResult result = WriteTarget(output.Out, out, [&](const std::string& path) {
      return output.Format == "html" ? WriteTreeReportHtml(tree, path, format, options)
                                     : WriteTreeReportCsv(tree, path, format, options);
    });
    if (!result) {
      err << "kestrove-cli: " << result.Message << "\n";
      return CliError;
    }
  }

  for (const TOutput& output : request.Treemaps) {
    std::string error;
    const TFolderNode* folder = ReportFolder(tree, services, output.Folder, roots, error);
    if (!error.empty()) {
      err << "kestrove-cli: " << error << "\n";
      return CliError;
    }
    if (TFileResult result = WriteTreemapPng(output, folder, format.Type, out); !result) {
      err << "kestrove-cli: " << result.Message << "\n";
      return CliError;
    }
  }

  if (request.Stats) {
    int64_t bytes = 0, allocated = 0;
    for (size_t i = 0; i < tree.Root()->ChildCount(); ++i) {
      bytes = SatAdd(bytes, tree.Root()->Child(i)->Data()->TotalSize);
      allocated = SatAdd(allocated, tree.Root()->Child(i)->Data()->TotalAllocated);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::ostringstream line;
    line << "folders " << tree.TotalFolders << ", files " << tree.TotalFiles << ", bytes " << bytes
         << ", allocated " << allocated;
    if (!request.Compare.empty())
      line << ", difference " << SatSub(bytes, baseline.Total().Size) << ", allocated difference "
           << SatSub(allocated, baseline.Total().Allocated);
    line << ", seconds " << std::fixed << std::setprecision(3) << seconds;
    err << line.str() << "\n";
  }
  if (environment.LeaveTreeAtExit) {
    // The process ends next: the system takes the whole tree back at once,
    // which freeing it record by record would only delay.
    LeftTree = ownedTree.release();
  }
  return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const TCliEnvironment& environment) {
  const int status = RunRequest(args, out, err, environment);
  // A setting that did not reach the file costs nothing of the run's work.
  if (const std::optional<std::string> failure = environment.Settings->SaveFailure())
    err << "kestrove-cli: warning: " << *failure << "\n";
  return status;
}

}  // namespace kv
