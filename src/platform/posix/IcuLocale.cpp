#include <unicode/calendar.h>
#include <unicode/coll.h>
#include <unicode/datefmt.h>
#include <unicode/timezone.h>
#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/posix/PosixPlatform.h"

namespace kv {

struct TIcuLocale::TImpl {
  std::unique_ptr<icu::Collator> CaseSensitive;
  std::unique_ptr<icu::Collator> CaseInsensitive;
  std::unique_ptr<icu::DateFormat> Date;
  std::unique_ptr<icu::DateFormat> Time;
  std::unique_ptr<icu::Calendar> Calendar;  // in UTC, the zone the formatters were given
  // Reports format the same few dates and times millions of times.
  std::unordered_map<int64_t, std::string> Dates, Times;
  std::mutex FormatLock;  // ICU formatters and calendars are not safe for concurrent use
};

namespace {

std::unique_ptr<icu::Collator> MakeCollator(const icu::Locale& locale,
                                            icu::Collator::ECollationStrength strength) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
  if (U_FAILURE(status) || !collator) {
    status = U_ZERO_ERROR;
    collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  }
  collator->setStrength(strength);
  return collator;
}

int Sign(UCollationResult r) { return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0); }

int CompareWith(const icu::Collator& collator, std::string_view a, std::string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r = collator.compareUTF8(
      icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
      icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
  if (U_FAILURE(status)) return a < b ? -1 : (a == b ? 0 : 1);
  return Sign(r);
}

icu::UnicodeString FromUtf8(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string ToUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace

TIcuLocale::TIcuLocale(const std::string& localeId) : Impl_(new TImpl) {
  std::string id = localeId;
  id = id.substr(0, id.find_first_of(".@"));  // drop the encoding and modifiers
  const bool unset = id.empty() || id == "C" || id == "POSIX";
  const icu::Locale locale = unset ? icu::Locale::getRoot() : icu::Locale(id.c_str());
  Impl_->CaseSensitive = MakeCollator(locale, icu::Collator::TERTIARY);
  Impl_->CaseInsensitive = MakeCollator(locale, icu::Collator::SECONDARY);
  // An unconfigured locale formats like the POSIX locale does: ISO date, 24 hours.
  const icu::Locale formats = unset ? icu::Locale("en_SE") : locale;
  Impl_->Date.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, formats));
  Impl_->Time.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, formats));
  for (icu::DateFormat* format : {Impl_->Date.get(), Impl_->Time.get()})
    if (format) format->adoptTimeZone(icu::TimeZone::createTimeZone("Etc/UTC"));
  UErrorCode calendarStatus = U_ZERO_ERROR;
  Impl_->Calendar.reset(icu::Calendar::createInstance(icu::TimeZone::createTimeZone("Etc/UTC"), calendarStatus));
  if (U_FAILURE(calendarStatus)) Impl_->Calendar.reset();
  if (!unset) {
    UErrorCode status = U_ZERO_ERROR;
    icu::DecimalFormatSymbols symbols(locale, status);
    if (U_SUCCESS(status)) {
      const icu::UnicodeString& sep =
          symbols.getConstSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol);
      if (sep.length() > 0) Decimal_ = static_cast<char32_t>(sep.char32At(0));
    }
  }
}

TIcuLocale::~TIcuLocale() { delete Impl_; }

int TIcuLocale::Compare(std::string_view a, std::string_view b) const {
  return CompareWith(*Impl_->CaseSensitive, a, b);
}

int TIcuLocale::CompareNoCase(std::string_view a, std::string_view b) const {
  return CompareWith(*Impl_->CaseInsensitive, a, b);
}

// Case mapping ignores language rules (no Turkish dotless i), as the
// system's code-page mapping does.
std::string TIcuLocale::ToUpper(std::string_view text) const {
  return ToUtf8(FromUtf8(text).toUpper(icu::Locale::getRoot()));
}

std::string TIcuLocale::ToLower(std::string_view text) const {
  return ToUtf8(FromUtf8(text).toLower(icu::Locale::getRoot()));
}

namespace {

// The fields as a moment in UTC, the zone the formatters were given, so no
// time zone shifts them. Each text is made once and then remembered.
std::string FormatFields(std::mutex& lock, icu::Calendar* calendar, icu::DateFormat* format,
                         std::unordered_map<int64_t, std::string>& cache, int year, int month, int day, int hour,
                         int minute, int second) {
  if (!format) return {};
  const int64_t key = ((static_cast<int64_t>(year) * 16 + month) * 32 + day) * 86400 + hour * 3600 + minute * 60 + second;
  std::lock_guard guard(lock);
  if (const auto found = cache.find(key); found != cache.end()) return found->second;
  if (!calendar) return {};
  UErrorCode status = U_ZERO_ERROR;
  calendar->clear();
  calendar->set(year, month - 1, day, hour, minute, second);
  const UDate when = calendar->getTime(status);
  if (U_FAILURE(status)) return {};
  icu::UnicodeString text;
  format->format(when, text);
  if (cache.size() >= 1 << 17) cache.clear();  // bounded: odd trees have many distinct dates
  return cache.emplace(key, ToUtf8(text)).first->second;
}

}  // namespace

std::string TIcuLocale::ShortDate(int year, int month, int day) const {
  return FormatFields(Impl_->FormatLock, Impl_->Calendar.get(), Impl_->Date.get(), Impl_->Dates, year, month, day, 0, 0, 0);
}

std::string TIcuLocale::LongTime(int hour, int minute, int second) const {
  return FormatFields(Impl_->FormatLock, Impl_->Calendar.get(), Impl_->Time.get(), Impl_->Times, 2000, 1, 1, hour, minute, second);
}

std::string TIcuLocale::EnvironmentLocaleId() {
  for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

}  // namespace kv
