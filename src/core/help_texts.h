// The program's own manual: short help texts, each in English and in Russian, shown by the Help
// button of the dialogs and by the Help menu.
#pragma once

#include <string>
#include <vector>

namespace pektra {

enum class HelpTopic {
  kGeneral,
  kGettingStarted,
  kSpectrumInput,
  kBlunders,
  kSaving,
  kStandardModels,
  kSpectrumData,
  kMarkingData,
  kFitData,
  kScales,
  kEnergyCalibration,
  kEfficiencyCalibration,
  kCriterion,
  kMarkingDataFormat,
  kAutoCalibration,
  kEnergyList,
  kFindPeaks,
  kTestSpectra,
};

// The lines of the topic's text in Russian when rus_help is set, else in English (UTF-8, at most
// 69 characters a line).
std::vector<std::string> HelpLines(HelpTopic topic, bool rus_help);

}  // namespace pektra
