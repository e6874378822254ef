// Which files a scan records: name masks, a size condition and an owner mask,
// as stored in the settings store.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace kv {

// What is wrong with a mask piece that is not well formed.
enum class TMaskFault : uint8_t { RangeWithoutFirst, SetNotClosed, EmptySet };

// A mask piece that is not well formed, raised when a name is tested against it.
// what() is the English wording; the window words it from Fault and Mask.
class EMaskError : public std::runtime_error {
 public:
  EMaskError(TMaskFault fault, std::string mask);
  TMaskFault Fault;
  std::string Mask;  // the piece as written, trimmed
};

// A sorted list without duplicates under the locale's case-insensitive comparison.
class TSortedHistory {
 public:
  explicit TSortedHistory(const ILocale& locale) : Locale_(&locale) {}
  // False when an equal entry is there already.
  bool Add(std::string_view entry);
  const std::vector<std::string>& Items() const { return Items_; }
  size_t Count() const { return Items_.size(); }
  void Clear() { Items_.clear(); }

 private:
  const ILocale* Locale_;
  std::vector<std::string> Items_;
};

// A ";"-separated list of masks, parsed once for testing many names.
class TMaskList {
 public:
  TMaskList(std::string_view list, const ILocale& locale);
  ~TMaskList();
  TMaskList(TMaskList&&) noexcept;
  TMaskList& operator=(TMaskList&&) noexcept;

  // True when the name (trimmed, case-insensitive) matches a piece; raises
  // EMaskError on reaching a malformed piece before any match.
  bool Matches(std::string_view name) const;

 private:
  struct TPiece;
  std::vector<TPiece> Pieces_;
  const ILocale* Locale_;
};

bool MatchesMaskList(std::string_view name, std::string_view list, const ILocale& locale);
// Size in bytes against bounds in KB: 0 greater than, 1 less than, 2 equal to,
// 3 between (bounds excluded), any other mode passes.
bool MatchesSize(int32_t mode, int32_t first, int32_t last, int64_t size);

// The most entries a mask history keeps in the store; a larger stored count
// cannot be meant and counts as absent.
inline constexpr int32_t MaxHistoryCount = 1000;

class TFilter {
 public:
  // Starts from the defaults, then loads what the store holds.
  TFilter(ISettingsStore& store, const ILocale& locale);

  void Load();
  void Save();
  bool IsEmpty() const;

  // The scan's test of one file, in the scan's order. Raises EMaskError.
  bool Accepts(std::string_view name, int64_t size, std::string_view owner) const;

  TSortedHistory IncludedHistory;
  std::string IncludedMask = "*";
  TSortedHistory ExcludedHistory;
  std::string ExcludedMask;
  bool SizeAny = true;
  int32_t SizeMode = 0;
  int32_t SizeFirst = 0;
  int32_t SizeLast = 0;
  bool OwnerAny = true;
  std::string OwnerMask = "*\\*";
  // Folders on another file system than the scan's root are shown, not entered.
  bool OneFileSystem = false;

 private:
  const TMaskList& Compiled(std::unique_ptr<TMaskList>& cache, std::string& source,
                            const std::string& mask) const;

  ISettingsStore& Store_;
  const ILocale& Locale_;
  // Parsed masks, rebuilt when a mask text changes.
  mutable std::unique_ptr<TMaskList> Included_, Excluded_, Owner_;
  mutable std::string IncludedSource_, ExcludedSource_, OwnerSource_;
};

}  // namespace kv
