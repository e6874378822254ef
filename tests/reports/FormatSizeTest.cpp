#include "reports/FormatSize.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>
#include <string>

#include "fakes/FakePlatform.h"

namespace kv {
namespace {

// The fake's collation with a chosen decimal separator.
class SeparatorLocale : public test::FakeLocale {
 public:
  explicit SeparatorLocale(char32_t separator) : Separator_(separator) {}
  char32_t DecimalSeparator() const override { return Separator_; }

 private:
  char32_t Separator_;
};

constexpr int64_t KiB = 1024;
constexpr int64_t MiB = 1024 * KiB;
constexpr int64_t GiB = 1024 * MiB;

const SeparatorLocale Dot(U'.');

struct Case {
  int64_t Size;
  TSizeUnit Unit;
  const char* Text;
};

void ExpectAll(std::initializer_list<Case> cases, const ILocale& locale) {
  for (const Case& c : cases)
    EXPECT_EQ(FormatSize(c.Size, c.Unit, locale), c.Text)
        << c.Size << " bytes in unit " << static_cast<int>(c.Unit);
}

TEST(FormatSize, DocumentedExamples) {
  ExpectAll({{0, TSizeUnit::B, "0.00 B"},
             {0, TSizeUnit::MB, "0.00 MB"},
             {999, TSizeUnit::B, "999.00 B"},
             {1000, TSizeUnit::B, "1 000.00 B"},
             {123456, TSizeUnit::B, "123 456.00 B"},
             {1234567, TSizeUnit::B, "1 234 567.00 B"},
             {1000, TSizeUnit::KB, "0.97 KB"},
             {1023, TSizeUnit::KB, "0.99 KB"},
             {1536, TSizeUnit::KB, "1.50 KB"},
             {1048575, TSizeUnit::MB, "0.99 MB"},
             {123456789, TSizeUnit::MB, "117.73 MB"},
             {1073741824, TSizeUnit::GB, "1.00 GB"},
             {5 * GiB + 1, TSizeUnit::GB, "5.00 GB"}},
            Dot);
}

TEST(FormatSize, EveryUnitAtAndJustBelowItsBoundaries) {
  ExpectAll({{1, TSizeUnit::B, "1.00 B"},
             {1023, TSizeUnit::B, "1 023.00 B"},
             {1024, TSizeUnit::KB, "1.00 KB"},
             {2047, TSizeUnit::KB, "1.99 KB"},
             {10, TSizeUnit::KB, "0.00 KB"},  // 0.0097... cut to nothing
             {11, TSizeUnit::KB, "0.01 KB"},
             {MiB - 1, TSizeUnit::KB, "1 023.99 KB"},
             {MiB, TSizeUnit::MB, "1.00 MB"},
             {2 * MiB - 1, TSizeUnit::MB, "1.99 MB"},
             {GiB - 1, TSizeUnit::MB, "1 023.99 MB"},
             {GiB - 1, TSizeUnit::GB, "0.99 GB"},
             {GiB, TSizeUnit::MB, "1 024.00 MB"},
             {2 * GiB - 1, TSizeUnit::GB, "1.99 GB"},
             {1024 * GiB, TSizeUnit::GB, "1 024.00 GB"},
             // One decimal digit from the number text gets a second zero.
             {GiB + 107374183, TSizeUnit::GB, "1.10 GB"}},
            Dot);
}

TEST(FormatSize, GroupsIntegerDigitsByThreeWithoutLeadingBlank) {
  ExpectAll({{99, TSizeUnit::B, "99.00 B"},
             {9999, TSizeUnit::B, "9 999.00 B"},
             {99999, TSizeUnit::B, "99 999.00 B"},
             {999999, TSizeUnit::B, "999 999.00 B"},
             {1000000, TSizeUnit::B, "1 000 000.00 B"},
             {123456789012, TSizeUnit::B, "123 456 789 012.00 B"},
             {99999999999999, TSizeUnit::B, "99 999 999 999 999.00 B"},
             {1234567890123456, TSizeUnit::KB, "1 205 632 705 198.68 KB"},
             {5000 * GiB + 1, TSizeUnit::GB, "5 000.00 GB"}},
            Dot);
}

TEST(FormatSize, KeepsFifteenSignificantDigitsThenFixedForm) {
  // 12 345 678 901 234.999 KB cut to .99 needs 16 digits; the 15-digit text rounds it.
  ExpectAll({{12345678901234 * KiB + 1023, TSizeUnit::KB, "12 345 678 901 235.00 KB"},
             // From 10^15 on: every integer digit and two decimals, never an exponent.
             {1000000000000000, TSizeUnit::B, "1 000 000 000 000 000.00 B"},
             {4000000000000000, TSizeUnit::B, "4 000 000 000 000 000.00 B"}},
            Dot);
  const std::string largest = FormatSize(std::numeric_limits<int64_t>::max(), TSizeUnit::B, Dot);
  EXPECT_EQ(largest.rfind("9 223 372 036 854 775 ", 0), 0u) << largest;
  EXPECT_EQ(largest.find('e'), std::string::npos) << largest;
  EXPECT_EQ(largest.substr(largest.size() - 2), " B");
}

TEST(FormatSize, NegativeCountsCutTowardZeroWithTheSignInFront) {
  ExpectAll({{-1536, TSizeUnit::KB, "-1.50 KB"},
             {-1023, TSizeUnit::KB, "-0.99 KB"},
             {-1000, TSizeUnit::B, "-1 000.00 B"},
             {-123456, TSizeUnit::B, "-123 456.00 B"},
             {-5, TSizeUnit::KB, "0.00 KB"}},
            Dot);
}

TEST(FormatSize, UsesTheLocaleDecimalSeparator) {
  const test::FakeLocale comma;  // ','
  ExpectAll({{1536, TSizeUnit::KB, "1,50 KB"},
             {1234567, TSizeUnit::B, "1 234 567,00 B"},
             {123456789, TSizeUnit::MB, "117,73 MB"}},
            comma);
  // Arabic decimal separator U+066B, written as UTF-8; the group blank stays a plain space.
  EXPECT_EQ(FormatSize(1234 * KiB + 512, TSizeUnit::KB, SeparatorLocale(U'\u066B')), "1 234\xD9\xAB" "50 KB");
  EXPECT_EQ(DecimalSeparatorText(SeparatorLocale(U'\u00B7')), "\xC2\xB7");
  EXPECT_EQ(DecimalSeparatorText(SeparatorLocale(U'\U0001D7CE')), "\xF0\x9D\x9F\x8E");
  EXPECT_EQ(DecimalSeparatorText(SeparatorLocale(U'\u2396')), "\xE2\x8E\x96");
  EXPECT_EQ(DecimalSeparatorText(SeparatorLocale(U'\0')), ".");
}

TEST(FormatSize, FormatStartsAtMegabytesAndItsUnitAndLocaleAreFollowed) {
  const test::FakeLocale comma;
  TSizeFormat format;
  EXPECT_EQ(format.Unit, TSizeUnit::MB);
  EXPECT_EQ(format.Type, TSizeType::FileSize);
  format.Locale = &comma;
  const std::string separator = DecimalSeparatorText(*format.Locale);
  EXPECT_EQ(FormatSize(3 * MiB, format), "3" + separator + "00 MB");
  format.Unit = TSizeUnit::B;
  EXPECT_EQ(FormatSize(1536, format), "1 536" + separator + "00 B");
  format.Unit = TSizeUnit::KB;
  EXPECT_EQ(FormatSize(1536, format), "1" + separator + "50 KB");
  format.Unit = TSizeUnit::GB;
  EXPECT_EQ(FormatSize(3 * GiB / 2, format), "1" + separator + "50 GB");
  format.Locale = &Dot;
  EXPECT_EQ(FormatSize(3 * GiB / 2, format), "1.50 GB");
}

TEST(FormatSize, AppendsToWhatIsThere) {
  std::string text = "Size: ";
  AppendFormattedSize(text, 1536, TSizeUnit::KB, ",");
  AppendFormattedSize(text, 0, TSizeUnit::GB, ".");
  EXPECT_EQ(text, "Size: 1,50 KB0.00 GB");
  EXPECT_EQ(SizeUnitSuffix(TSizeUnit::B), " B");
  EXPECT_EQ(SizeUnitSuffix(TSizeUnit::KB), " KB");
  EXPECT_EQ(SizeUnitSuffix(TSizeUnit::MB), " MB");
  EXPECT_EQ(SizeUnitSuffix(TSizeUnit::GB), " GB");
}

// The integer shortcut gives the extended path's text for every size it takes,
// up to its edges (2^57 bytes, 10^15 hundredths) and past them.
TEST(FormatSize, TheShortcutWritesWhatTheExtendedPathWrites) {
  std::mt19937_64 random(5);
  std::vector<int64_t> sizes = {0, 1, -1, 1023, 1024, 1025, 99, 100, 101, int64_t{1} << 57, (int64_t{1} << 57) - 1,
                                9'999'999'999'999, 10'000'000'000'000, 10'000'000'000'001,
                                std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()};
  for (int i = 0; i < 20000; ++i) {
    const auto size = static_cast<int64_t>(random() >> (random() % 63 + 1));
    sizes.push_back(size);
    sizes.push_back(-size);
  }
  for (const int64_t size : sizes)
    for (const TSizeUnit unit : {TSizeUnit::B, TSizeUnit::KB, TSizeUnit::MB, TSizeUnit::GB}) {
      std::string shortcut, extended;
      AppendFormattedSize(shortcut, size, unit, ",");
      AppendFormattedSizeExtended(extended, size, unit, ",");
      ASSERT_EQ(shortcut, extended) << size << " in unit " << static_cast<int>(unit);
    }
}

TEST(ShortestDecimalText, NoTrailingZerosNoGroupingFifteenDigits) {
  EXPECT_EQ(ShortestDecimalText(111.79, ","), "111,79");
  EXPECT_EQ(ShortestDecimalText(500, ","), "500");
  EXPECT_EQ(ShortestDecimalText(0.5, "."), "0.5");
  EXPECT_EQ(ShortestDecimalText(1234567.25, ","), "1234567,25");
  // Binary noise beyond 15 digits does not show.
  EXPECT_EQ(ShortestDecimalText(0.1 + 0.2, ","), "0,3");
  EXPECT_EQ(ShortestDecimalText(0.29 * 100, ","), "29");
  EXPECT_EQ(ShortestDecimalText(-0.0, ","), "0");
  EXPECT_EQ(ShortestDecimalText(-2.5, ","), "-2,5");
  EXPECT_EQ(ShortestDecimalText(1.5, "\xC2\xB7"), "1\xC2\xB7" "5");
}

}  // namespace
}  // namespace kv
