#include "core/number_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <random>

#include "core/text_input.h"

namespace pektra {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FormatFixed, RightJustifiesOrWritesAsterisksWhenNumberDoesNotFit) {
  EXPECT_EQ(FormatFixed(6, 2, 1234.5), "******");
  EXPECT_EQ(FormatFixed(8, 2, -12.5), "  -12.50");
  EXPECT_EQ(FormatFixed(6, 2, -99.5), "-99.50");
  EXPECT_EQ(FormatFixed(6, 2, -999.5), "******");  // the sign needs a place too
  EXPECT_EQ(FormatFixed(4, 1, -0.0), " 0.0");
  EXPECT_EQ(FormatFixed(5, -3, 7.0), "    7");
  EXPECT_EQ(FormatFixed(4, 1, kInf), "****");
  EXPECT_EQ(FormatFixed(40, 2, kNaN), std::string(23, '*'));
}

TEST(FormatExp, WritesMantissaBelowOneAndSignedExponentWithoutLetter) {
  EXPECT_EQ(FormatExp(0, 4, 12345.6), "0.1235+5");
  EXPECT_EQ(FormatExp(0, 4, 0.0), "0.0000+0");
  EXPECT_EQ(FormatExp(0, 4, 0.99999), "0.1000+1");  // rounding carries into the exponent
  EXPECT_EQ(FormatExp(12, 4, 1.0), "    0.1000+1");
  EXPECT_EQ(FormatExp(0, 4, -0.000123456), "-0.1235-3");
  EXPECT_EQ(FormatExp(0, 3, 9.9996e-7), "0.100-5");
  EXPECT_EQ(FormatExp(5, 4, kNaN), "*****");
  EXPECT_EQ(FormatExp(0, 4, -kInf), "*");
}

TEST(FormatGeneral, ChoosesWholeFixedOrExponentFormWithoutBlanks) {
  EXPECT_EQ(FormatGeneral(8, 3.0), "3");
  EXPECT_EQ(FormatGeneral(8, -42.0), "-42");
  EXPECT_EQ(FormatGeneral(8, 0.0), "0");
  EXPECT_EQ(FormatGeneral(8, 1.25), "1.250000");
  EXPECT_EQ(FormatGeneral(8, -1.25), "-1.25000");
  EXPECT_EQ(FormatGeneral(8, 123.456), "123.4560");
  EXPECT_EQ(FormatGeneral(8, 1.0e7), "0.1000000+8");
  EXPECT_EQ(FormatGeneral(8, -1.0e5), "-0.1000000+6");
}

TEST(NumberText, ExponentAndFixedFormsReadBackAsTheSameNumbers) {
  std::mt19937 generator(20240611);
  std::uniform_real_distribution<double> power(-250.0, 250.0);
  for (int i = 0; i < 2000; ++i) {
    const double x = (i % 2 ? -1.0 : 1.0) * std::pow(10.0, power(generator));
    bool ok = false;
    const double back = StrToReal(FormatExp(0, 9, x), ok);
    ASSERT_TRUE(ok) << FormatExp(0, 9, x);
    ASSERT_NEAR(back, x, std::fabs(x) * 5.01e-9) << FormatExp(0, 9, x);
    ASSERT_EQ(FormatExp(0, 9, back), FormatExp(0, 9, x));
  }
  bool ok = false;
  EXPECT_EQ(StrToReal(FormatFixed(12, 4, -1234.5678), ok), -1234.5678);
  EXPECT_TRUE(ok);
}

// Writes a decimal comma through iostreams, as a German locale does.
struct CommaDecimalPoint : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(NumberText, DecimalPointStaysPointUnderCommaLocale) {
  // A named locale also switches the C functions (printf); without one installed, the facet
  // still catches formatting through streams.
  std::locale comma_locale(std::locale::classic(), new CommaDecimalPoint);
  try {
    comma_locale = std::locale("de_DE.UTF-8");
  } catch (const std::runtime_error&) {
  }
  const std::locale previous = std::locale::global(comma_locale);
  const std::string fixed = FormatFixed(8, 2, -12.5);
  const std::string exp = FormatExp(0, 4, 12345.6);
  const std::string general = FormatGeneral(8, 1.25);
  std::locale::global(previous);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(fixed, "  -12.50");
  EXPECT_EQ(exp, "0.1235+5");
  EXPECT_EQ(general, "1.250000");
}

}  // namespace
}  // namespace pektra
