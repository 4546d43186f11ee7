// Every dialog that a menu command opens carries the help text about that dialog, in the language
// chosen, and none where no text is about it: each command is run through the command table with
// what it needs, and the help of every dialog it shows is compared with the text that the dialog's
// title and contents call for.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/help_texts.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "ui/commands.h"

namespace pektra {
namespace {

using testing::ScriptedUi;
using Topic = std::optional<HelpTopic>;

// What each dialog is about, by the start of its title (leading blanks ignored).
struct DialogHelp {
  const char* title;
  Topic topic;  // none: no help text is about this dialog
};
const DialogHelp kDialogHelp[] = {
    {"Set Test Spectra", HelpTopic::kTestSpectra},
    {"Spectrum input", HelpTopic::kSpectrumInput},
    {"Correcting for blunders", HelpTopic::kBlunders},
    {"Spectrum compression", std::nullopt},
    {"Smoothing", std::nullopt},
    {"Background", std::nullopt},
    {"Save the Summary Table", HelpTopic::kSaving},
    {"Setting the spectrum data", HelpTopic::kSpectrumData},
    {"Setting the marking data", HelpTopic::kMarkingData},
    {"Setting the fitting data", HelpTopic::kFitData},
    {"Select the scale mode", HelpTopic::kScales},
    {"Select special model type and number", HelpTopic::kStandardModels},
    {"Peak Model", std::nullopt},
    {"Find the Peaks", HelpTopic::kFindPeaks},
    {"Enter the energy list for marking", HelpTopic::kEnergyList},
    {"List of not found peaks", HelpTopic::kEnergyList},  // the listed peaks the search missed
    {"Check and edit marking data", HelpTopic::kMarkingDataFormat},
    {"Marking data", HelpTopic::kMarkingDataFormat},          // Show Marked Peaks
    {"Creation of Spectrum Name List", HelpTopic::kGeneral},  // no text of its own
    {"Energy calibration", HelpTopic::kEnergyCalibration},    // data, file, graph
    {"Efficiency calibration", HelpTopic::kEfficiencyCalibration},
    {"Auto energy calibration", HelpTopic::kAutoCalibration},  // the source and the result
    {"Result Table", HelpTopic::kCriterion},
};

std::string Trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string::npos ? "" : s.substr(first);
}

const DialogHelp* HelpOfDialog(const std::string& title) {
  const std::string trimmed = Trimmed(title);
  for (const DialogHelp& d : kDialogHelp) {
    if (trimmed.rfind(d.title, 0) == 0) return &d;
  }
  return nullptr;
}

// What the command needs before it reaches its dialogs.
enum class Before {
  kNothing,
  kSpectrum,      // the Eu152 test spectrum
  kFit,           // ... marked automatically and fitted
  kCalibration,   // ... with an energy calibration read from a file
  kChannelLines,  // ... with a list of lines (channels), one of them on no peak
};

struct Files {
  std::string spectrum, energy, efficiency;
};

struct CommandRow {
  const char* caption;
  Before before;
  std::function<void(ScriptedUi&, const Files&)> script;  // the answers; the last dialog cancelled
  std::vector<const char*> dialogs;                       // the titles shown, in order
};

void Cancel(ScriptedUi& ui, const Files&) { ui.CancelDialog(); }

const CommandRow kCommands[] = {
    {"Test", Before::kNothing, Cancel, {"Set Test Spectra"}},
    {"Input the Spectrum",
     Before::kNothing,
     [](ScriptedUi& ui, const Files& f) { ui.AnswerFile(f.spectrum).CancelDialog(); },
     {"Spectrum input"}},
    {"Correct for Blunders", Before::kSpectrum, Cancel, {"Correcting for blunders"}},
    {"Compress the Spectrum", Before::kSpectrum, Cancel, {"Spectrum compression"}},
    {"Smooth the Spectrum", Before::kSpectrum, Cancel, {"Smoothing"}},
    {"Build the Background", Before::kSpectrum, Cancel, {"Background"}},
    {"&Save the Fit Results", Before::kFit, Cancel, {"Save the Summary Table"}},
    {"Set the Spectrum Data", Before::kNothing, Cancel, {"Setting the spectrum data"}},
    {"Set the Marking Data", Before::kNothing, Cancel, {"Setting the marking data"}},
    {"Set the Fit Data", Before::kNothing, Cancel, {"Setting the fitting data"}},
    {"Set Graph Scale", Before::kNothing, Cancel, {"Select the scale mode"}},
    {"Graph Peak Model", Before::kNothing, Cancel, {"Peak Model"}},
    {"Graph Energy Calibration", Before::kCalibration, Cancel, {"Energy calibration"}},
    {"Make a Special Peak Model", Before::kNothing, Cancel, {"Select special model"}},
    {"Automatic Spectrum Marking", Before::kSpectrum, Cancel, {"Find the Peaks"}},
    {"Spectrum Marking by Lines",
     Before::kChannelLines,
     [](ScriptedUi& ui, const Files&) {
       ui.AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 1; });  // old search
       ui.CancelDialog();
     },
     {"Find the Peaks", "List of not found peaks"}},
    {"Enter Marking Energies",
     Before::kNothing,
     [](ScriptedUi& ui, const Files&) {
       ui.AnswerDialog().AnswerDialog([](DialogContent& d) { d.memo.text = "121.78\n"; });
       ui.CancelDialog();
     },
     {"Enter the energy list", "Enter the energy list", "Enter the energy list"}},
    {"Edit Marking Data", Before::kFit, Cancel, {"Check and edit marking data"}},
    {"Show Marked Peaks", Before::kFit, Cancel, {"Marking data"}},
    {"Input Spec.File Names", Before::kNothing, Cancel, {"Creation of Spectrum Name List"}},
    {"Input Energy Calibr.Data  From File",
     Before::kNothing,
     [](ScriptedUi& ui, const Files& f) { ui.AnswerFile(f.energy).AnswerDialog().CancelDialog(); },
     {"Energy calibration", "Energy calibration"}},
    {"Input Eff.Calibr.Data From File",
     Before::kNothing,
     [](ScriptedUi& ui, const Files& f) { ui.AnswerFile(f.efficiency).CancelDialog(); },
     {"Efficiency calibration"}},
    {"Enter Energy Calibr.Data",
     Before::kNothing,
     [](ScriptedUi& ui, const Files&) {
       ui.AnswerDialog().AnswerDialog(
           [](DialogContent& d) { d.memo.text = "100 121.78\n300 344.28\n900 1408.0\n"; });
       ui.CancelDialog();
     },
     {"Energy calibration", "Energy calibration", "Energy calibration"}},
    {"Enter Eff.Calibr.Data", Before::kNothing, Cancel, {"Efficiency calibration"}},
    {"Auto_Energy_Calibration",
     Before::kFit,
     [](ScriptedUi& ui, const Files&) {
       ui.AnswerDialog([](DialogContent& d) {
         d.choice_lists[0].selected = 1;  // Eu152
         d.grid.cells[1][0] = "1410";
       });
       ui.AnswerYes().CancelDialog();  // the test spectrum's peaks are off by more than 0.5 keV
     },
     {"Auto energy calibration", "Auto energy calibration"}},
    {"Show Result Table", Before::kFit, Cancel, {"Result Table"}},
};

void Prepare(AnalysisState& state, Before before, const Files& files) {
  if (before == Before::kNothing) return;
  ScriptedUi ui;
  CommandTable table(state, ui);
  ui.AnswerDialog();  // the first test spectrum, Eu152
  table.RunCaption("Test");
  if (before == Before::kFit) {
    ui.AnswerDialog();
    table.RunCaption("Automatic Spectrum Marking");
    table.RunCaption("Spectrum  Fit");
    ASSERT_GE(state.results.result_count, 5);
  } else if (before == Before::kCalibration) {
    ui.AnswerFile(files.energy).AnswerDialog().AnswerDialog();
    table.RunCaption("Input Energy Calibr.Data  From File");
    ASSERT_TRUE(state.enc.enc_present);
  } else if (before == Before::kChannelLines) {
    // Lines at 0.5 keV a channel: one on the 344 keV peak, one where the source has none.
    ui.AnswerDialog().AnswerDialog([](DialogContent& d) { d.memo.text = "689\n1700\n"; });
    ui.AnswerDialog();
    table.RunCaption("Enter Marking Energies");
    ASSERT_EQ(state.marking.mark_list_count, 2);
  }
  ASSERT_TRUE(ui.AllAnswersUsed());
}

TEST(DialogHelp, EveryDialogOfTheMenusShowsItsOwnTextInBothLanguages) {
  testing::TempDir dir;
  const Files files{dir.File("sp.txt"), dir.File("energy.cal"), dir.File("efficiency.cal")};
  testing::WriteFile(files.spectrum, "10 12 11 13 50 200 51 12 10 11\n");
  testing::WriteFile(files.energy, "100 121.78\n300 344.28\n900 1408.0\n");
  testing::WriteFile(files.efficiency, "121.78 0.01\n344.28 0.005\n1408.0 0.002\n");

  std::set<HelpTopic> reached;
  for (const bool russian : {false, true}) {
    for (const CommandRow& row : kCommands) {
      SCOPED_TRACE(std::string(row.caption) + (russian ? ", Russian" : ", English"));
      AnalysisState state;
      state.display.rus_help = russian;
      ASSERT_NO_FATAL_FAILURE(Prepare(state, row.before, files));
      ScriptedUi ui;
      CommandTable table(state, ui);
      row.script(ui, files);
      ASSERT_TRUE(table.RunCaption(row.caption));
      EXPECT_TRUE(ui.AllAnswersUsed());
      EXPECT_TRUE(ui.notes().empty()) << ui.notes().front();
      ASSERT_EQ(ui.dialogs().size(), row.dialogs.size());
      for (std::size_t i = 0; i < row.dialogs.size(); ++i) {
        const DialogContent& shown = ui.dialogs()[i];
        EXPECT_EQ(Trimmed(shown.title).rfind(row.dialogs[i], 0), 0u) << shown.title;
        const DialogHelp* help = HelpOfDialog(shown.title);
        ASSERT_NE(help, nullptr) << "a dialog not in the table: " << shown.title;
        if (!help->topic) {
          EXPECT_TRUE(shown.help_lines.empty()) << shown.title << ": " << shown.help_lines[0];
          continue;
        }
        EXPECT_EQ(shown.help_lines, HelpLines(*help->topic, russian)) << shown.title;
        reached.insert(*help->topic);
      }
    }
  }

  // Every text is some dialog's, but the two that the Help menu itself shows; each text is
  // translated.
  const std::set<HelpTopic> of_the_help_menu = {HelpTopic::kGeneral, HelpTopic::kGettingStarted};
  for (int t = 0; t <= static_cast<int>(HelpTopic::kTestSpectra); ++t) {
    const auto topic = static_cast<HelpTopic>(t);
    SCOPED_TRACE(t);
    EXPECT_TRUE(of_the_help_menu.count(topic) || reached.count(topic));
    EXPECT_FALSE(HelpLines(topic, false).empty());
    EXPECT_NE(HelpLines(topic, false), HelpLines(topic, true));
  }
}

}  // namespace
}  // namespace pektra
