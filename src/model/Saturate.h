// Arithmetic on stored sizes and counts. They may come from a result file or a
// sparse file of exabytes and be as large as anything, so they stop at the
// ends of the 64-bit range instead of wrapping.
#pragma once

#include <cstdint>
#include <limits>

namespace kv {

inline constexpr int64_t SatMax = std::numeric_limits<int64_t>::max();
inline constexpr int64_t SatMin = std::numeric_limits<int64_t>::min();

constexpr int64_t SatAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? SatMax : SatMin;
}

constexpr int64_t SatSub(int64_t a, int64_t b) {
  int64_t difference = 0;
  if (!__builtin_sub_overflow(a, b, &difference)) return difference;
  return b < 0 ? SatMax : SatMin;
}

constexpr int64_t SatMul(int64_t a, int64_t b) {
  int64_t product = 0;
  if (!__builtin_mul_overflow(a, b, &product)) return product;
  return (a < 0) != (b < 0) ? SatMin : SatMax;
}

// part * 100 / whole in floating point, exact while the product fits; 0 for
// a whole that is not positive.
inline double SatPercent(int64_t part, int64_t whole) {
  if (whole <= 0) return 0;
  int64_t scaled = 0;
  if (!__builtin_mul_overflow(part, int64_t{100}, &scaled))
    return static_cast<double>(scaled) / static_cast<double>(whole);
  return 100.0 * (static_cast<double>(part) / static_cast<double>(whole));
}

// The whole that shares are taken of: exact while the sum fits, in floating
// point beyond, so parts too large to add up still share out to 100.
class TShareTotal {
 public:
  void Add(int64_t part) {
    Wide_ = __builtin_add_overflow(Exact_, part, &Exact_) || Wide_;
    Approx_ += static_cast<double>(part);
  }
  bool Positive() const { return Wide_ ? Approx_ > 0 : Exact_ > 0; }
  double PercentOf(int64_t part) const {
    return Wide_ ? 100.0 * (static_cast<double>(part) / Approx_) : SatPercent(part, Exact_);
  }

 private:
  int64_t Exact_ = 0;
  double Approx_ = 0;
  bool Wide_ = false;
};

}  // namespace kv
