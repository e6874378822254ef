#include "scan/ItemFilter.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "settings/SettingsStore.h"

namespace kv {

// ---- history ----

bool TSortedHistory::Add(std::string_view entry) {
  auto it = std::lower_bound(Items_.begin(), Items_.end(), entry,
                             [this](const std::string& item, std::string_view value) {
                               return Locale_->CompareNoCase(item, value) < 0;
                             });
  if (it != Items_.end() && Locale_->CompareNoCase(*it, entry) == 0) return false;
  Items_.insert(it, std::string(entry));
  return true;
}

// ---- masks ----

namespace {

std::string_view Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

// Upper case through the locale only when the text is not plain ASCII.
std::string Upper(std::string_view text, const ILocale& locale) {
  std::string result(text);
  for (char& c : result) {
    if (static_cast<unsigned char>(c) >= 0x80) return locale.ToUpper(text);
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::u32string Decode(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    size_t j = i + 1;
    for (; extra > 0 && j < utf8.size(); --extra, ++j) cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
    out.push_back(cp);
    i = j;
  }
  return out;
}

enum class TOp : uint8_t { Literal, AnyRun, AnyOne, Set };

struct TToken {
  TOp Op;
  bool Negated = false;
  char32_t Char = 0;
  std::vector<std::pair<char32_t, char32_t>> Ranges;

  bool MatchesChar(char32_t c) const {
    switch (Op) {
      case TOp::Literal: return c == Char;
      case TOp::AnyOne: return true;
      case TOp::Set: {
        bool in = std::any_of(Ranges.begin(), Ranges.end(),
                              [c](const auto& r) { return c >= r.first && c <= r.second; });
        return in != Negated;
      }
      case TOp::AnyRun: break;
    }
    return false;
  }
};

}  // namespace

struct TMaskList::TPiece {
  std::vector<TToken> Tokens;
  std::optional<TMaskFault> Fault;  // set for a malformed piece
  std::string Text;                 // kept for a malformed piece only
};

namespace {

std::string FaultText(TMaskFault fault, const std::string& mask) {
  switch (fault) {
    case TMaskFault::RangeWithoutFirst:
      return "the range in the set of the mask \"" + mask + "\" has no first character";
    case TMaskFault::SetNotClosed: return "the set in the mask \"" + mask + "\" has no closing \"]\"";
    case TMaskFault::EmptySet: break;
  }
  return "the mask \"" + mask + "\" has an empty set";
}

// Parses one trimmed, upper-cased piece; sets fault for a malformed one.
std::vector<TToken> ParsePiece(const std::u32string& mask, std::optional<TMaskFault>& fault) {
  std::vector<TToken> tokens;
  for (size_t i = 0; i < mask.size(); ++i) {
    const char32_t c = mask[i];
    if (c == U'*') {
      if (tokens.empty() || tokens.back().Op != TOp::AnyRun) tokens.push_back(TToken{TOp::AnyRun, false, 0, {}});
    } else if (c == U'?') {
      tokens.push_back(TToken{TOp::AnyOne, false, 0, {}});
    } else if (c == U'[') {
      TToken set{TOp::Set, false, 0, {}};
      size_t j = i + 1;
      if (j < mask.size() && mask[j] == U'!') {
        set.Negated = true;
        ++j;
      }
      bool closed = false;
      for (; j < mask.size(); ++j) {
        if (mask[j] == U']') {
          closed = true;
          break;
        }
        if (mask[j] == U'-') {
          fault = TMaskFault::RangeWithoutFirst;
          return {};
        }
        if (j + 2 < mask.size() && mask[j + 1] == U'-' && mask[j + 2] != U']') {
          set.Ranges.emplace_back(mask[j], mask[j + 2]);
          j += 2;
        } else {
          set.Ranges.emplace_back(mask[j], mask[j]);
        }
      }
      if (!closed) {
        fault = TMaskFault::SetNotClosed;
        return {};
      }
      if (set.Ranges.empty()) {
        fault = TMaskFault::EmptySet;
        return {};
      }
      tokens.push_back(std::move(set));
      i = j;
    } else {
      tokens.push_back({TOp::Literal, false, c, {}});
    }
  }
  return tokens;
}

// Whole-name match with backtracking to the last "*".
bool MatchTokens(const std::vector<TToken>& tokens, const std::u32string& name) {
  size_t t = 0, n = 0;
  size_t starToken = SIZE_MAX, starName = 0;
  while (n < name.size()) {
    if (t < tokens.size() && tokens[t].Op == TOp::AnyRun) {
      starToken = t++;
      starName = n;
    } else if (t < tokens.size() && tokens[t].MatchesChar(name[n])) {
      ++t;
      ++n;
    } else if (starToken != SIZE_MAX) {
      t = starToken + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (t < tokens.size() && tokens[t].Op == TOp::AnyRun) ++t;
  return t == tokens.size();
}

}  // namespace

EMaskError::EMaskError(TMaskFault fault, std::string mask)
    : std::runtime_error("Invalid file mask: " + FaultText(fault, mask) + "."), Fault(fault), Mask(std::move(mask)) {}

TMaskList::TMaskList(std::string_view list, const ILocale& locale) : Locale_(&locale) {
  size_t start = 0;
  for (size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] != ';') continue;
    // The last character ends a piece only when there is one; a trailing ";"
    // has already ended it.
    if (i == list.size() && (list.empty() || list.back() == ';')) break;
    const std::string_view raw = Trim(list.substr(start, i - start));
    TPiece piece;  // an empty piece matches no name
    if (!raw.empty()) {
      const std::string upper = Upper(raw, locale);
      piece.Tokens = ParsePiece(Decode(upper), piece.Fault);
      if (piece.Fault) piece.Text = raw;
    }
    Pieces_.push_back(std::move(piece));
    start = i + 1;
  }
}

TMaskList::~TMaskList() = default;
TMaskList::TMaskList(TMaskList&&) noexcept = default;
TMaskList& TMaskList::operator=(TMaskList&&) noexcept = default;

bool TMaskList::Matches(std::string_view name) const {
  const std::u32string upper = Decode(Upper(Trim(name), *Locale_));
  for (const TPiece& piece : Pieces_) {
    if (piece.Fault) throw EMaskError(*piece.Fault, piece.Text);
    if (piece.Tokens.empty()) continue;  // empty piece
    if (MatchTokens(piece.Tokens, upper)) return true;
  }
  return false;
}

bool MatchesMaskList(std::string_view name, std::string_view list, const ILocale& locale) {
  return TMaskList(list, locale).Matches(name);
}

bool MatchesSize(int32_t mode, int32_t first, int32_t last, int64_t size) {
  // kb = size / 1024 compared exactly: kb > first  <=>  size > first * 1024.
  const int64_t low = static_cast<int64_t>(first) * 1024;
  const int64_t high = static_cast<int64_t>(last) * 1024;
  switch (mode) {
    case 0: return size > low;
    case 1: return size < low;
    case 2: return size == low;
    case 3: return size > low && size < high;
    default: return true;
  }
}

// ---- the filter ----

TFilter::TFilter(ISettingsStore& store, const ILocale& locale)
    : IncludedHistory(locale), ExcludedHistory(locale), Store_(store), Locale_(locale) {
  IncludedHistory.Add("*");
  Load();
}

void TFilter::Load() {
  SizeAny = ReadRegBool(Store_, "Filter-Size-Any", true);
  SizeMode = ReadRegInteger(Store_, "Filter-Size-ItemIndex", 0);
  SizeFirst = ReadRegInteger(Store_, "Filter-Size-First", 0);
  SizeLast = ReadRegInteger(Store_, "Filter-Size-Last", 0);
  OwnerAny = ReadRegBool(Store_, "Filter-Owner-Any", true);
  OwnerMask = ReadRegString(Store_, "Filter-Owner-Mask", "*\\*");
  IncludedMask = ReadRegString(Store_, "Filter-Mask-Included-Value", "*");
  ExcludedMask = ReadRegString(Store_, "Filter-Mask-Excluded-Value", "");
  OneFileSystem = ReadRegBool(Store_, "Filter-OneFileSystem", false);
  const int32_t included = ReadRegIntegerIn(Store_, "Filter-Mask-Included-Count", 0, MaxHistoryCount, 0);
  for (int32_t i = 0; i < included; ++i)
    IncludedHistory.Add(ReadRegString(Store_, "Filter-Mask-Included-Item-" + std::to_string(i), ""));
  const int32_t excluded = ReadRegIntegerIn(Store_, "Filter-Mask-Excluded-Count", 0, MaxHistoryCount, 0);
  for (int32_t i = 0; i < excluded; ++i)
    ExcludedHistory.Add(ReadRegString(Store_, "Filter-Mask-Excluded-Item-" + std::to_string(i), ""));
}

void TFilter::Save() {
  WriteRegBool(Store_, "Filter-Size-Any", SizeAny);
  WriteRegInteger(Store_, "Filter-Size-ItemIndex", SizeMode);
  WriteRegInteger(Store_, "Filter-Size-First", SizeFirst);
  WriteRegInteger(Store_, "Filter-Size-Last", SizeLast);
  WriteRegBool(Store_, "Filter-Owner-Any", OwnerAny);
  WriteRegString(Store_, "Filter-Owner-Mask", OwnerMask);
  WriteRegString(Store_, "Filter-Mask-Included-Value", IncludedMask);
  WriteRegString(Store_, "Filter-Mask-Excluded-Value", ExcludedMask);
  WriteRegBool(Store_, "Filter-OneFileSystem", OneFileSystem);
  const size_t included = std::min<size_t>(IncludedHistory.Count(), MaxHistoryCount);
  WriteRegInteger(Store_, "Filter-Mask-Included-Count", static_cast<int32_t>(included));
  for (size_t i = 0; i < included; ++i)
    WriteRegString(Store_, "Filter-Mask-Included-Item-" + std::to_string(i), IncludedHistory.Items()[i]);
  const size_t excluded = std::min<size_t>(ExcludedHistory.Count(), MaxHistoryCount);
  WriteRegInteger(Store_, "Filter-Mask-Excluded-Count", static_cast<int32_t>(excluded));
  for (size_t i = 0; i < excluded; ++i)
    WriteRegString(Store_, "Filter-Mask-Excluded-Item-" + std::to_string(i), ExcludedHistory.Items()[i]);
}

bool TFilter::IsEmpty() const {
  return SizeAny && ExcludedMask.empty() && (IncludedMask == "*" || IncludedMask == "*.*") &&
         (OwnerAny || OwnerMask == "*\\*");
}

const TMaskList& TFilter::Compiled(std::unique_ptr<TMaskList>& cache, std::string& source,
                                   const std::string& mask) const {
  if (!cache || source != mask) {
    cache = std::make_unique<TMaskList>(mask, Locale_);
    source = mask;
  }
  return *cache;
}

bool TFilter::Accepts(std::string_view name, int64_t size, std::string_view owner) const {
  if (IncludedMask != "*" && IncludedMask != "*.*" &&
      !Compiled(Included_, IncludedSource_, IncludedMask).Matches(name))
    return false;
  if (!ExcludedMask.empty() && Compiled(Excluded_, ExcludedSource_, ExcludedMask).Matches(name))
    return false;
  if (!SizeAny && !MatchesSize(SizeMode, SizeFirst, SizeLast, size)) return false;
  if (!OwnerAny && !Compiled(Owner_, OwnerSource_, OwnerMask).Matches(owner)) return false;
  return true;
}

}  // namespace kv
