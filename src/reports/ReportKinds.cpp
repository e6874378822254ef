#include "reports/ReportKinds.h"

#include <array>

#include "settings/TextIds.h"

namespace kv {
namespace {

using K = TReportKind;
using C = TReportClass;
using S = TReportScope;
using I = TListingItems;
using O = TListingOrder;
using A = TAggregateKey;

constexpr std::array<TReportKindInfo, ReportKindCount> Kinds{{
    {K::FilesInThisFolder, "mniFilesInThisFolder", "mniFilesInThisFolder2", IdReportFiles, C::Listing, true,
     S::FolderItself, I::Content, O::None, A::None, false},
    {K::ExtensionsInThisFolder, "mniExtensionsInThisFolder", "mniExtensionsInThisFolder2", IdReportExtensions,
     C::Aggregate, true, S::FilesInFolder, I::None, O::None, A::Extension, false},
    {K::Owners, "mniOwners", "mniOwners2", IdReportOwners, C::Aggregate, true, S::FilesInFolder, I::None, O::None,
     A::Owner, false},
    {K::SizeRange, "mniSizeRange", "mniSizeRange2", IdReportSizeRange, C::Aggregate, true, S::FilesInFolder, I::None,
     O::None, A::SizeRange, false},
    {K::TimeRange, "mniTimeRange", "mniTimeRange2", IdReportTimeRange, C::Aggregate, true, S::FilesInFolder, I::None,
     O::None, A::TimeRange, false},
    {K::Top100Files, "mniTop100Files", "mniTop100Files2", IdGreatestFiles, C::Listing, false, S::IncludingSubfolders,
     I::Files, O::Greatest, A::None, true},
    {K::Top100Folders, "mniTop100Folders", "mniTop100Folders2", IdGreatestFolders, C::Listing, false,
     S::IncludingSubfolders, I::Folders, O::Greatest, A::None, true},
    {K::Top100Extensions, "mniTop100Extensions", "mniTop100Extensions2", IdReportExtensions, C::Aggregate, false,
     S::IncludingSubfolders, I::None, O::None, A::Extension, true},
    {K::Top100Owners, "mniTop100Owners", "mniTop100Owners2", IdReportOwners, C::Aggregate, true, S::IncludingSubfolders,
     I::None, O::None, A::Owner, false},
    {K::Top100SizeRange, "mniTop100SizeRange", "mniTop100SizeRange2", IdReportSizeRange, C::Aggregate, true,
     S::IncludingSubfolders, I::None, O::None, A::SizeRange, false},
    {K::Top100TimeRange, "mniTop100TimeRange", "mniTop100TimeRange2", IdReportTimeRange, C::Aggregate, true,
     S::IncludingSubfolders, I::None, O::None, A::TimeRange, false},
    {K::OldestFiles, "mniOldestFiles", "mniOldestFiles2", IdOldestFiles, C::Listing, false, S::IncludingSubfolders,
     I::Files, O::Oldest, A::None, true},
    {K::NewFiles, "mniNewFiles", "mniNewFiles2", IdNewestFiles, C::Listing, false, S::IncludingSubfolders, I::Files,
     O::Newest, A::None, true},
    {K::OldestFolders, "mniOldestFolders", "mniOldestFolders2", IdOldestFolders, C::Listing, false,
     S::IncludingSubfolders, I::Folders, O::Oldest, A::None, true},
    {K::NewFolders, "mniNewFolders", "mniNewFolders2", IdNewestFolders, C::Listing, false, S::IncludingSubfolders,
     I::Folders, O::Newest, A::None, true},
    {K::Changes, "mniChanges", "mniChanges2", IdReportChanges, C::Changes, true, S::IncludingSubfolders, I::None,
     O::None, A::None, false},
}};

// The table is indexed by the enum; a misplaced row would be caught here.
constexpr bool TableInEnumOrder() {
  for (size_t i = 0; i < Kinds.size(); ++i)
    if (static_cast<size_t>(Kinds[i].Kind) != i) return false;
  return true;
}
static_assert(TableInEnumOrder());

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

std::span<const TReportKindInfo> AllReportKinds() { return Kinds; }

const TReportKindInfo &ReportKindInfo(TReportKind kind) { return Kinds[static_cast<size_t>(kind)]; }

std::optional<TReportKind> FindReportKind(std::string_view popupName) {
  constexpr std::string_view Prefix = "mni";
  for (const TReportKindInfo &info : Kinds) {
    const std::string_view bare = info.PopupName.substr(Prefix.size());
    if (EqualsAsciiNoCase(popupName, info.PopupName) || EqualsAsciiNoCase(popupName, bare)) return info.Kind;
  }
  return std::nullopt;
}

}  // namespace kv
