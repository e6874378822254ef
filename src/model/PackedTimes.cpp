#include "model/PackedTimes.h"

#include <bit>
#include <cmath>

namespace kv {

namespace {

constexpr int Bits = 42;
constexpr uint64_t Mask = (uint64_t{1} << Bits) - 1;
constexpr int64_t MsPerDay = 86400000;
constexpr int64_t FirstDay = 21916;  // 1960-01-01 as a day count
// The all-ones count stands for 0, the time of items that never had one.
constexpr uint64_t ZeroCount = Mask;

// Built as the scan builds its times: whole days plus the day's milliseconds
// over the milliseconds of a day.
double FromCount(uint64_t count) {
  if (count == ZeroCount) return 0;
  const auto ms = static_cast<int64_t>(count);
  return static_cast<double>(FirstDay + ms / MsPerDay) + static_cast<double>(ms % MsPerDay) / 86400000.0;
}

bool ToCount(double time, uint64_t& count) {
  if (std::bit_cast<uint64_t>(time) == 0) {  // +0 only: -0 keeps its sign elsewhere
    count = ZeroCount;
    return true;
  }
  if (!(time >= static_cast<double>(FirstDay) && time < static_cast<double>(FirstDay + (Mask / MsPerDay))))
    return false;  // also NaN
  const double days = std::floor(time);
  const auto ms = static_cast<int64_t>(std::llround((time - days) * 86400000.0));
  if (ms >= MsPerDay) return false;
  count = static_cast<uint64_t>((static_cast<int64_t>(days) - FirstDay) * MsPerDay + ms);
  return count < ZeroCount && std::bit_cast<uint64_t>(FromCount(count)) == std::bit_cast<uint64_t>(time);
}

}  // namespace

bool TPackedTimes::Pack(double created, double modified, double lastAccess) {
  uint64_t a, b, c;
  if (!ToCount(created, a) || !ToCount(modified, b) || !ToCount(lastAccess, c)) return false;
  // a: bits 0-41; b: 42-83 across the words; c: 84-125.
  Low_ = a | (b << Bits);
  High_ = (b >> (64 - Bits)) | (c << (2 * Bits - 64));
  return true;
}

void TPackedTimes::Unpack(double& created, double& modified, double& lastAccess) const {
  created = FromCount(Low_ & Mask);
  modified = FromCount(((Low_ >> Bits) | (High_ << (64 - Bits))) & Mask);
  lastAccess = FromCount((High_ >> (2 * Bits - 64)) & Mask);
}

}  // namespace kv
