// Mutates the values of an init file rather than its bytes: the input picks, pair by pair, a
// number of a complete init file (every command and key) and puts an absurd value in its place
// (+-1e300, +-2^31, NaN, inf, 0, -0, 1e-300, huge exponents, values just outside a range, a
// command line where a number belongs) or a double built from the next eight bytes. After the
// reading every setting must lie in its range and the state must write and read back exactly.
// When the first byte ends in two set bits, a small spectrum is also marked and fitted with the
// settings read, which must neither crash nor take long (run with -timeout=1).
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/silent_user_interface.h"
#include "fit/spectrum_fit.h"
#include "init_file_checks.h"
#include "marking/marking.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/contexts.h"

namespace {

using namespace pektra;

// The init file as pieces: text, and numbers ("#" and their usual value) that an input may replace.
// clang-format off
const char* const kPieces[] = {
    ".......Input the Spectrum\n* a1 a2 mode skip reverse\n",
    "#1", " ", "#1024", " ", "#3", " ", "#0", " ", "#0", "\nspec.txt\n",
    ".......Set the Analysis Bounds\n", "#2", " ", "#1023", "\n",
    ".......Enter the Width Information\n", "#4", " ", "#5", " ", "#1", "\n",
    "EVWI\n", "#0", " ", "#0", "\n",
    ".......Degree of the Background\n", "#-3", "\n",
    ".......Enter Data for ENergy Calibration\n", "#3", " ", "#1", " 1\n",
    "#100", " ", "#121.78", " ", "#0.01", "\n", "#500", " ", "#661.66", " ", "#0.02", "\n",
    "#900", " ", "#1332.5", " ", "#0.03", "\n",
    ".......Enter Data for EFiciency Calibration\n", "#2", " ", "#0", " 1\n",
    "#121.78", " ", "#0.5", " ", "#0.001", "\n", "#1332.5", " ", "#0.06", " ", "#0.002", "\n",
    ".......Mark the Spectrum\n", "#0", " ", "#1", " ", "#-1", " ", "#1", "\n",
    ".......Refine the Peaks by the Fit\n", "#1", " ", "#3", " ", "#0.5", " ", "#4", " ", "#3.5",
    "\n",
    ".......Maximum Interval\n", "#128", "\n",
    "COVAR\n", "#0.01", "\nSMAST\n", "#20", "\nORDER\n", "#10", "\nCHIO\n", "#1.25",
    "\nDPOS\n", "#5", "\nSTEP\n", "#0.99", "\nDAMP\n", "#0.01", "\nNITER\n", "#7",
    "\nSGM\n", "#1", "\nDB\n", "#2", "\nMAXINT\n", "#200", "\n.......STOP\n",
};

const char* const kAbsurd[] = {
    "1e300", "-1e300", "1e-300", "-1e-300", "5e-301", "2147483648", "-2147483648",
    "2147483647", "-2147483649", "4294967296", "9223372036854775808", "-9223372036854775809",
    "1e99999", "-1e99999", "1e-99999", "1.0D400", "0", "-0", "nan", "NaN", "-nan", "inf", "-inf",
    "Infinity", "0.5", "-0.5", "1.5", "2.5", "-7", "3", "-3", "4", "-4", "63.5", "64", "4096",
    "4097", "16384", "16385", "1000", "1001", "60", "61", "1.0001", "1.5-3", "15-3", ".5", "-.",
    "+", "", ".", "*", "/", "1e", "0x10", "1,5", "12345678901234567890123456789",
    "\n.......Maximum Interval\n", "\n...Set the Analysis Bounds\n", "\n", "\n\n.......STOP\n",
};
// clang-format on
constexpr std::size_t kAbsurdCount = sizeof kAbsurd / sizeof kAbsurd[0];

std::string InitText(const uint8_t* data, size_t size) {
  std::vector<std::string> pieces;
  std::vector<std::size_t> slots;
  for (const char* piece : kPieces) {
    if (piece[0] == '#') {
      slots.push_back(pieces.size());
      pieces.emplace_back(piece + 1);
    } else {
      pieces.emplace_back(piece);
    }
  }
  for (size_t k = 1; k + 1 < size;) {
    std::string& slot = pieces[slots[data[k] % slots.size()]];
    const std::size_t choice = data[k + 1];
    k += 2;
    if (choice < kAbsurdCount) {
      slot = kAbsurd[choice];
    } else if (k + 8 <= size) {
      double x = 0;
      std::memcpy(&x, data + k, sizeof x);
      k += 8;
      char buffer[64];
      slot.assign(buffer, std::to_chars(buffer, buffer + sizeof buffer, x).ptr);
    }
  }
  std::string text;
  for (const std::string& piece : pieces) text += piece;
  return text;
}

// Three peaks on a falling background in 512 channels, marked and fitted over the whole spectrum
// (the bounds were checked above; a search over 16384 channels would only measure the speed of
// the instrumented search).
void MarkAndFit(AnalysisState& state) {
  static const std::vector<double> counts = [] {
    SyntheticSpec recipe;
    recipe.channels = 512;
    recipe.background = {200, 300, 20};
    for (const double c : {150.0, 330.0, 338.0}) recipe.peaks.push_back({c, 5000, 4.5});
    return GenerateCounts(recipe);
  }();
  LoadIntoSpectrum(counts, state.spectrum);
  state.spectrum.ApplyVarianceFormula(state.processing.covar);
  SilentUserInterface ui(SilentAnswers{/*confirm_dialogs=*/true});
  MarkSpectrum(MarkingOf(state), ui);
  if (state.view.dialog_ok != 0) FitSpectrum(FitOf(state), ui);
  fuzz::Check(state.results.result_count >= 0 && state.results.result_count <= kResultCapacity);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static AnalysisState* const state = new AnalysisState;
  static AnalysisState* const back = new AnalysisState;
  fuzz::Read(*state, InitText(data, size));
  fuzz::CheckRoundTrip(*state, *back);
  if (size > 0 && (data[0] & 3) == 3) MarkAndFit(*state);
  return 0;
}
