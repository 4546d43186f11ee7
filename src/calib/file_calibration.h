// The energy calibration a spectrum file carries: offered when the file is read, never forced.
#pragma once

#include <string>

#include "calib/calibration.h"
#include "spectrum/spectrum.h"

namespace pektra {

class UserInterface;

// Makes `stored` the energy calibration: a linear one as two items (channels 1 and 16384) in
// linear mode, a quadratic one in mode kEnergyQuadratic, evaluated from its coefficients, with
// three items on it (channels 1, 8192, 16384) for the display and the init file.
void InstallStoredCalibration(const Calibrations& cal, const StoredEnergyCalibration& stored);
// The quadratic through the first, the middle and the last item, for an init file that gives
// mode 2; false (and the calibration off) when they make none that rises.
bool QuadraticFromItems(EnergyCalibration& enc);
// "E = 0.33973 + 0.18297 i + 5.5683e-09 i^2 (i = channel - 1)".
std::string StoredCalibrationText(const StoredEnergyCalibration& stored);

enum class FileCalibrationUse { kNone, kTaken, kKept };
struct FileCalibrationOffer {
  FileCalibrationUse use = FileCalibrationUse::kNone;
  std::string message;  // what happened, for the status line (window) or standard error (batch)
};

// After a spectrum was read: a usable calibration of the file becomes the energy calibration
// when none is in force; one that gives the same energies as the one in force changes nothing.
// When another one is in force, `ask` puts the question which to keep (Yes: the file's); without
// asking (the batch tool) the one in force stays and the message says the file's was ignored.
FileCalibrationOffer OfferFileCalibration(const Calibrations& cal,
                                          const StoredEnergyCalibration& stored, UserInterface& ui,
                                          bool ask);

}  // namespace pektra

namespace pektra::calibration_messages {
inline constexpr const char* kFileCalibrationTaken = "Energy calibration of the file in force: ";
inline constexpr const char* kFileCalibrationQuestion =
    "The spectrum file carries an energy calibration,\n\r";
inline constexpr const char* kFileCalibrationQuestionEnd =
    ".\n\rUse it instead of the energy calibration in force?";
inline constexpr const char* kFileCalibrationIgnored =
    "The energy calibration of the file was ignored, the init file's is in force: ";
inline constexpr const char* kFileCalibrationKept = "Energy calibration in force kept";
}  // namespace pektra::calibration_messages
