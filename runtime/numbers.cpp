#include "runtime/numbers.h"

#include <cmath>

#include "runtime/run_time_error.h"
#include "runtime/source_text.h"

namespace skinwall {

int64_t TruncateToInteger(double value) {
  // Values the 64-bit range cannot hold are clamped to its ends; NaN gives 0.
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return INT64_MAX;
  if (value <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(std::trunc(value));
}

double Modulo(double a, double b) {
  if (b == 0) RunTimeError(kErrorNone, TextFromUtf8("不能求余数于零"));
  return a - b * std::trunc(a / b);
}

int32_t ShiftLeft(int32_t value, int32_t count) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) << (count & 31));
}

int32_t ShiftRight(int32_t value, int32_t count) { return value >> (count & 31); }

}  // namespace skinwall
