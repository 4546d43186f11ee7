// The one-line arithmetic helpers used throughout the analysis.
#pragma once

#include <cmath>
#include <utility>

namespace pektra {

inline int MaxI(int a, int b) { return a > b ? a : b; }
inline int MinI(int a, int b) { return a < b ? a : b; }
inline double MaxD(double a, double b) { return a > b ? a : b; }
inline double MinD(double a, double b) { return a < b ? a : b; }
inline double Max3(double a, double b, double c) { return MaxD(MaxD(a, b), c); }
inline double Min3(double a, double b, double c) { return MinD(MinD(a, b), c); }

// Rounds to the nearest whole number, halves to the even neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2).
// This is the rounding of every "round" and "nint" of the analysis.
inline double RoundHalfEven(double x) { return std::nearbyint(x); }
// RoundHalfEven as an int; values beyond the int range are clamped to it and NaN gives 0, so a
// wild input never becomes undefined behaviour in a conversion.
// Inline, with the common case (|x| below 2^30) done by adding and subtracting 1.5 * 2^52: the sum
// is rounded to a whole number in the rounding mode in force, as nearbyint does, and the
// subtraction is exact (the compiler may not fold the two, as no fast-math option is given).
int RoundToIntSlow(double x);
inline int RoundToInt(double x) {
  if (x > -1073741824.0 && x < 1073741824.0) {  // false for NaN
    constexpr double kShift = 6755399441055744.0;
    return static_cast<int>((x + kShift) - kShift);
  }
  return RoundToIntSlow(x);
}

// Rounded value of the larger / the smaller of two doubles.
inline int RoundMax(double a, double b) { return RoundToInt(MaxD(a, b)); }
inline int RoundMin(double a, double b) { return RoundToInt(MinD(a, b)); }

// Whether x lies inside [a, b] (inclusive).
inline bool InRange(int x, int a, int b) { return x >= a && x <= b; }
inline bool InRange(double x, double a, double b) { return x >= a && x <= b; }

// -1, 0 or +1.
inline int Sign(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

// Truncation toward zero, clamped to the int range like RoundToInt.
int TruncToInt(double x);

inline bool IsEven(int n) { return n % 2 == 0; }
inline bool IsOdd(int n) { return n % 2 != 0; }

// Exchanges a and b when a > b, so that afterwards a <= b.
template <typename T>
void OrderPair(T& a, T& b) {
  if (b < a) std::swap(a, b);
}

inline double ToDouble(int n) { return static_cast<double>(n); }

// 10 raised to the whole power e: 1.0 multiplied |e| times by 10, and for a negative e one
// division of 1.0 by that. Returns 1.0 for e = 0, 1.0E300 for e > 300 and 1.0E-300 for e < -300.
double Power10(int e);

}  // namespace pektra
