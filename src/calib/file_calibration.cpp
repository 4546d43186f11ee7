#include "calib/file_calibration.h"

#include <charconv>
#include <cmath>

#include "calib/calibration_commands.h"
#include "core/user_interface.h"

namespace pektra {

namespace {

// The shortest text that reads back as the value, with an exponent where that is shorter.
std::string Shortest(double value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

CalibrationItem ItemAt(const StoredEnergyCalibration& stored, double channel) {
  return CalibrationItem{channel, stored.EnergyAt(channel), 0.0};
}

// Whether the calibration in force gives the file's energies (to 1e-9 keV relative) at the
// first, the middle and the last channel: then there is nothing to choose.
bool SameEnergies(const Calibrations& cal, const StoredEnergyCalibration& stored) {
  for (double channel : {1.0, kMaxChannels / 2.0, static_cast<double>(kMaxChannels)}) {
    const double in_force = ConvertPeak(cal, channel, 0.0, 0.0, 0.0).energy;
    const double from_file = stored.EnergyAt(channel);
    if (!(std::fabs(in_force - from_file) <= 1e-9 * std::fabs(from_file))) return false;
  }
  return true;
}

}  // namespace

void InstallStoredCalibration(const Calibrations& cal, const StoredEnergyCalibration& stored) {
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  if (stored.terms < 3 || stored.c2 == 0.0) {
    items[1] = ItemAt(stored, 1.0);
    items[2] = ItemAt(stored, kMaxChannels);
    InstallEnergyCalibration(cal, items, 2, kEnergyLinear);
    return;
  }
  items[1] = ItemAt(stored, 1.0);
  items[2] = ItemAt(stored, kMaxChannels / 2);
  items[3] = ItemAt(stored, kMaxChannels);
  InstallEnergyCalibration(cal, items, 3, kEnergyQuadratic);
  cal.enc.enc_quadratic = stored;
}

bool QuadraticFromItems(EnergyCalibration& enc) {
  const int n = enc.enc_count;
  if (n < 3 || n > kMaxCalibrationItems) {
    enc.enc_present = false;
    return false;
  }
  // Newton's divided differences through three items, in i = channel - 1.
  const CalibrationItem& a = enc.enc_points[1];
  const CalibrationItem& b = enc.enc_points[(n + 1) / 2];
  const CalibrationItem& c = enc.enc_points[n];
  const double x0 = a[0] - 1.0, x1 = b[0] - 1.0, x2 = c[0] - 1.0;
  StoredEnergyCalibration q;
  if (x1 != x0 && x2 != x1 && x2 != x0) {
    const double d01 = (b[1] - a[1]) / (x1 - x0), d12 = (c[1] - b[1]) / (x2 - x1);
    const double c2 = (d12 - d01) / (x2 - x0);
    const double c1 = d01 - c2 * (x0 + x1);
    q = {3, a[1] - x0 * (c1 + c2 * x0), c1, c2};
  }
  enc.enc_quadratic = q;
  enc.enc_present = q.Usable();
  return enc.enc_present;
}

std::string StoredCalibrationText(const StoredEnergyCalibration& stored) {
  auto term = [](double c) { return (c < 0 ? " - " : " + ") + Shortest(std::fabs(c)); };
  std::string text = "E = " + Shortest(stored.c0) + term(stored.c1) + " i";
  if (stored.terms >= 3 && stored.c2 != 0.0) text += term(stored.c2) + " i^2";
  return text + " (i = channel - 1)";
}

FileCalibrationOffer OfferFileCalibration(const Calibrations& cal,
                                          const StoredEnergyCalibration& stored, UserInterface& ui,
                                          bool ask) {
  namespace m = calibration_messages;
  if (!stored.Usable()) return {};
  const std::string text = StoredCalibrationText(stored);
  if (cal.enc.enc_present) {
    if (SameEnergies(cal, stored)) return {};  // the next spectrum of the same detector
    if (!ask) return {FileCalibrationUse::kKept, m::kFileCalibrationIgnored + text};
    if (!ui.AskYesNo(m::kFileCalibrationQuestion + text + m::kFileCalibrationQuestionEnd)) {
      return {FileCalibrationUse::kKept, m::kFileCalibrationKept};
    }
  }
  InstallStoredCalibration(cal, stored);
  return {FileCalibrationUse::kTaken, m::kFileCalibrationTaken + text};
}

}  // namespace pektra
