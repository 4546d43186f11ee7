// The three number formatters of every table, file and dialog. The decimal separator is always
// ".", whatever the locale.
#pragma once

#include <string>

namespace pektra {

// x with `decimals` decimals, right-justified in at least `width` characters; `width` asterisks
// (at most 23) when it does not fit: with n = width - decimals - 1 a positive x fits when
// log10(x) <= n, a negative one when log10(|x|) <= n - 1; zero always fits. NaN and infinities
// never fit.
std::string FormatFixed(int width, int decimals, double x);

// Mantissa in [0.1, 1) with `decimals` decimals directly followed by the signed exponent, no
// letter: FormatExp(0, 4, 12345.6) is "0.1235+5". Padded on the left to `width`.
std::string FormatExp(int width, int decimals, double x);

// A compact form: "0" for zero, whole numbers without decimals, others with as many decimals as
// fill `width`, the exponent form for |x| >= 10^(width - 3). No blanks.
std::string FormatGeneral(int width, double x);

// The shortest text that reads back (by StrToReal) as the same double: plain decimals while they
// stay short ("0.00041", "1234567.891"), else the exponent form ("1e-300", "1.5e+20"). No blanks.
std::string FormatShortest(double x);

}  // namespace pektra
