// The energy calibration of a spectrum file: installed as stored, offered and never forced, kept
// through the init file.
#include "calib/file_calibration.h"

#include <cmath>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/init_file.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

constexpr StoredEnergyCalibration kQuadratic{3, 0.33973, 0.18297, 5.5683e-9};
constexpr StoredEnergyCalibration kLinear{2, 8.093975, 0.436772, 0.0};

TEST(FileCalibration, InstalledCalibrationsGiveTheFilesEnergies) {
  AnalysisState state;
  InstallStoredCalibration(CalibrationsOf(state), kQuadratic);
  EXPECT_EQ(state.enc.enc_mode, kEnergyQuadratic);
  EXPECT_TRUE(state.enc.enc_present);
  for (double channel : {1.0, 1234.56, 8000.0, 16384.0}) {
    // Evaluated exactly as the file stores it, and the inverse finds the channel again.
    const ConvertedPeak p = ConvertPeak(CalibrationsOf(state), channel, 0.5, 100, 10);
    EXPECT_EQ(p.energy,
              kQuadratic.c0 + (channel - 1) * (kQuadratic.c1 + (channel - 1) * kQuadratic.c2));
    EXPECT_NEAR(p.energy_error, 0.5 * (kQuadratic.c1 + 2 * kQuadratic.c2 * (channel - 1)), 1e-6);
    EXPECT_NEAR(EnergyToChannel(CalibrationsOf(state), p.energy), channel, 1e-9);
  }

  AnalysisState linear;
  InstallStoredCalibration(CalibrationsOf(linear), kLinear);
  EXPECT_EQ(linear.enc.enc_mode, kEnergyLinear);
  EXPECT_EQ(linear.enc.enc_count, 2);
  for (double channel : {1.0, 662.5, 4096.0}) {
    const double expected = kLinear.c0 + kLinear.c1 * (channel - 1);
    EXPECT_NEAR(ConvertPeak(CalibrationsOf(linear), channel, 0, 1, 1).energy, expected,
                1e-12 * expected);
  }
}

TEST(FileCalibration, OfferedWhenNoneIsInForceAskedOtherwiseIgnoredInTheBatch) {
  const std::string text = "E = 0.33973 + 0.18297 i + 5.5683e-09 i^2 (i = channel - 1)";
  EXPECT_EQ(StoredCalibrationText(kQuadratic), text);
  AnalysisState state;
  testing::ScriptedUi ui;
  FileCalibrationOffer offer = OfferFileCalibration(CalibrationsOf(state), kQuadratic, ui, true);
  EXPECT_EQ(offer.use, FileCalibrationUse::kTaken);
  EXPECT_EQ(offer.message, "Energy calibration of the file in force: " + text);
  EXPECT_TRUE(ui.events().empty());  // nothing asked

  // One in force: the question; No keeps it as it was.
  const EnergyCalibration in_force = state.enc;
  ui.AnswerNo();
  offer = OfferFileCalibration(CalibrationsOf(state), kLinear, ui, true);
  EXPECT_EQ(offer.use, FileCalibrationUse::kKept);
  EXPECT_EQ(offer.message, "Energy calibration in force kept");
  EXPECT_TRUE(state.enc == in_force);
  ASSERT_EQ(ui.Texts(testing::ScriptedUi::Event::Kind::kYesNo).size(), 1u);
  EXPECT_EQ(ui.Texts(testing::ScriptedUi::Event::Kind::kYesNo)[0],
            "The spectrum file carries an energy calibration,\n\rE = 8.093975 + 0.436772 i "
            "(i = channel - 1).\n\rUse it instead of the energy calibration in force?");
  ui.AnswerYes();
  offer = OfferFileCalibration(CalibrationsOf(state), kLinear, ui, true);
  EXPECT_EQ(offer.use, FileCalibrationUse::kTaken);
  EXPECT_EQ(state.enc.enc_mode, kEnergyLinear);

  // The same calibration again (the next spectrum of the detector): nothing to ask.
  EXPECT_EQ(OfferFileCalibration(CalibrationsOf(state), kLinear, ui, true).use,
            FileCalibrationUse::kNone);

  // The batch tool asks nothing: the calibration in force stays, and says so.
  const EnergyCalibration batch_force = state.enc;
  offer = OfferFileCalibration(CalibrationsOf(state), kQuadratic, ui, false);
  EXPECT_EQ(offer.use, FileCalibrationUse::kKept);
  EXPECT_EQ(offer.message,
            "The energy calibration of the file was ignored, the init file's is in force: " + text);
  EXPECT_TRUE(state.enc == batch_force);

  // The identity analysers write when none was made is no calibration.
  AnalysisState fresh;
  EXPECT_EQ(OfferFileCalibration(CalibrationsOf(fresh), {2, 0.0, 1.0, 0.0}, ui, true).use,
            FileCalibrationUse::kNone);
  EXPECT_FALSE(fresh.enc.enc_present);
  EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(FileCalibration, TheQuadraticFormGoesThroughTheInitFile) {
  AnalysisState state;
  InstallStoredCalibration(CalibrationsOf(state), kQuadratic);
  std::ostringstream out;
  WriteInitFile(out, state);
  AnalysisState back;
  std::istringstream in(out.str());
  EXPECT_TRUE(ReadInitFile(in, back).empty());
  EXPECT_EQ(back.enc.enc_mode, kEnergyQuadratic);
  EXPECT_TRUE(back.enc.enc_present);
  for (double channel : {1.0, 5000.0, 16384.0}) {
    const double expected = kQuadratic.EnergyAt(channel);
    EXPECT_NEAR(ConvertPeak(CalibrationsOf(back), channel, 0, 1, 1).energy, expected,
                1e-6 * expected);
  }
}

}  // namespace
}  // namespace pektra
