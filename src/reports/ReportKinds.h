// The report kinds in one table; menus, builders, list views and the
// command line all read it instead of switching on the kind themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kv {

// In menu order: the five kinds of the folder itself, then the ten of the
// "Including subfolder" submenu, then the changes against a baseline.
enum class TReportKind : uint8_t {
  FilesInThisFolder,
  ExtensionsInThisFolder,
  Owners,
  SizeRange,
  TimeRange,
  Top100Files,
  Top100Folders,
  Top100Extensions,
  Top100Owners,
  Top100SizeRange,
  Top100TimeRange,
  OldestFiles,
  NewFiles,
  OldestFolders,
  NewFolders,
  Changes,
};
inline constexpr size_t ReportKindCount = 16;

// Listing kinds fill the files list with tree objects; aggregate kinds fill
// the extensions list with rows of sums; the Changes kind lists rows of its
// own, some of which (the gone items) are no longer in the tree.
enum class TReportClass : uint8_t { Listing, Aggregate, Changes };

enum class TReportScope : uint8_t {
  FolderItself,   // the files and child folders of the folder
  FilesInFolder,  // the files directly in the folder
  IncludingSubfolders,
};

// What a listing kind collects and how it ranks it.
enum class TListingItems : uint8_t { None, Content, Files, Folders };
enum class TListingOrder : uint8_t { None, Greatest, Oldest, Newest };

// What an aggregate kind groups the files by.
enum class TAggregateKey : uint8_t { None, Extension, Owner, SizeRange, TimeRange };

struct TReportKindInfo {
  TReportKind Kind;
  std::string_view PopupName;  // also the prefix of the column visibility values
  std::string_view MenuName;   // the Report menu twin
  std::string_view TextId;     // caption of both entries and of the report button
  TReportClass Class;
  bool ChartShown;
  TReportScope Scope;
  TListingItems Items;
  TListingOrder Order;
  TAggregateKey Key;
  bool ListCountLimited;  // ReportListCount caps the rows
};

std::span<const TReportKindInfo> AllReportKinds();
const TReportKindInfo &ReportKindInfo(TReportKind kind);
inline bool IsListingKind(TReportKind kind) { return ReportKindInfo(kind).Class == TReportClass::Listing; }

// The kind of a popup entry name, given with or without its "mni" prefix, in
// any ASCII case ("mniTop100Files", "Top100Files", "top100files").
std::optional<TReportKind> FindReportKind(std::string_view popupName);

// The two options the reports read.
struct TReportSettings {
  int32_t ListCount = 50;  // rows of the greatest/oldest/newest kinds
  int32_t OldestType = 1;  // 1 created, 2 modified, 3 last access; others count as 1
};

}  // namespace kv
