// Arithmetic and bit primitives on the system's 32-bit integers and doubles.
#pragma once

#include <concepts>
#include <cstdint>

namespace skinwall {

// Drops the fraction, toward zero.
int64_t TruncateToInteger(double value);
// a - b * trunc(a / b): the remainder takes the sign of a. Dividing by 0 is a
// run-time error.
double Modulo(double a, double b);

template <class... Rest>
  requires(std::same_as<Rest, int32_t> && ...)
int32_t BitAnd(int32_t first, int32_t second, Rest... rest) {
  return ((first & second) & ... & rest);
}
// Shifts by count modulo 32, within 32 bits; ShiftRight fills in the sign bit.
int32_t ShiftLeft(int32_t value, int32_t count);
int32_t ShiftRight(int32_t value, int32_t count);

}  // namespace skinwall
