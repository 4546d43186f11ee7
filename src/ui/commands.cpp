#include "ui/commands.h"

#include <algorithm>
#include <array>
#include <exception>

#include "calib/auto_calibration.h"
#include "calib/calibration_commands.h"
#include "calib/file_calibration.h"
#include "core/dialog.h"
#include "core/help_texts.h"
#include "core/user_interface.h"
#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "marking/marking_commands.h"
#include "model/peak_model_commands.h"
#include "report/result_table.h"
#include "spectrum/blunders.h"
#include "spectrum/compression.h"
#include "spectrum/simulation.h"
#include "spectrum/smoothing_window.h"
#include "spectrum/spectrum_input.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/init_file.h"
#include "state/peak_model_setup.h"
#include "state/spectrum_history.h"
#include "state/startup.h"
#include "ui/fit_display.h"
#include "ui/graph_curves.h"
#include "ui/graphs.h"
#include "ui/name_list_commands.h"
#include "ui/picking.h"
#include "ui/settings_dialogs.h"
#include "ui/test_spectra.h"

namespace pektra {

namespace {

std::string ComponentName(const std::string& caption) {
  std::string name;
  for (const char c : caption) {
    if (c != ' ' && c != '&') name += c;
  }
  return name + "1";
}

}  // namespace

CommandTable::CommandTable(AnalysisState& state, UserInterface& ui) : state_(state), ui_(ui) {
  Build();
  RefreshEnabling();
}

void CommandTable::Build() {
  AnalysisState& s = state_;
  UserInterface& ui = ui_;
  auto item = [](std::string caption, std::function<void()> action) {
    MenuItem i;
    i.name = ComponentName(caption);
    i.caption = std::move(caption);
    i.action = std::move(action);
    i.available = static_cast<bool>(i.action);
    i.enabled = i.available;
    return i;
  };
  auto later = [&item](std::string caption) { return item(std::move(caption), {}); };
  auto separator = [] {
    MenuItem i;
    i.caption.push_back('-');
    i.separator = true;
    i.available = i.enabled = false;
    return i;
  };
  auto checkable = [](MenuItem i) {
    i.checkable = true;
    return i;
  };
  auto then_redraw = [this](std::function<void()> work) {
    return [this, work] {
      work();
      RedrawAndStatus();
    };
  };
  MenuItem undo = item("Undo", [this, &s] {
    if (UndoSpectrumChange(s)) RedrawAndStatus();
  });
  undo.shortcut = "Ctrl+Z";
  auto then_status = [this](std::function<void()> work) {
    return [this, work] {
      work();
      ShowStatusText();
    };
  };

  menus_ = {
      {"File",
       {item("Input the Spectrum",
             [this, &s, &ui] {
               InputTheSpectrum(SpectrumInputOf(s), ui,
                                HelpLines(HelpTopic::kSpectrumInput, s.display.rus_help));
               if (s.view.dialog_ok == 1) {
                 s.view.spectrum_read = true;
                 FormRequestedRealModel(s, ui);
                 // The file's own energy calibration is offered, never forced.
                 const FileCalibrationOffer offer = OfferFileCalibration(
                     CalibrationsOf(s), s.spectrum.facts.calibration, ui, true);
                 if (offer.use != FileCalibrationUse::kNone) s.view.status_text[1] = offer.message;
                 s.view.graph_mode = GraphMode::kSpectrum;
                 Redraw();
               }
               ShowStatusText();
             }),
        item("Correct for Blunders",
             then_redraw([&s, &ui] { CorrectForBlunders(SpectrumProcessingOf(s), ui); })),
        item("Compress the Spectrum",
             then_redraw([&s, &ui] { CompressTheSpectrum(SpectrumProcessingOf(s), ui); })),
        item("Smooth the Spectrum", then_redraw([&s, &ui] {
               SmoothOrBackground(SpectrumProcessingOf(s), SmoothingMode::kSmoothing, ui);
             })),
        item("Build the Background", then_redraw([&s, &ui] {
               SmoothOrBackground(SpectrumProcessingOf(s), SmoothingMode::kBackground, ui);
             })),
        item("Simulate the Spectrum",
             [this, &s] {
               SimulateTheSpectrum(SpectrumProcessingOf(s));
               s.view.spectrum_read = true;
               s.marking.peak_count = 0;
               s.marking.marking_length = 0;
               s.view.graph_mode = GraphMode::kSpectrum;
               Redraw();
             }),
        separator(),
        item("&Save the Fit Results",
             [&s, &ui] {
               if (s.marking.peak_count == 0) {
                 ui.ShowStatus("Error! No peaks fitted", "");
               } else if (s.results.result_count > 0) {
                 SaveSummaryTable(ReportOf(s), ui);
               }
             }),
        item("&Save the Init-file",
             [&s, &ui] {
               if (SaveInitFile(s, ui)) ui.ShowStatus("Ini file saved as pektra.tmp", "");
             }),
        item("Save Energy Calibration", [&s, &ui] { SaveEnergyCalibration(CalibrationOf(s), ui); }),
        item("Save Efficiency Calibration",
             [&s, &ui] { SaveEfficiencyCalibration(CalibrationOf(s), ui); }),
        item("Save Marking Info", [&s, &ui] { SaveMarkingInfo(MarkingOf(s), ui); }), separator(),
        item("&Exit", [this, &s, &ui] { quit_confirmed_ = RequestExit(s, ui); }), separator(),
        undo}},
      {"Settings",
       {item("Set the Spectrum Data",
             [this, &s, &ui] {
               if (SetSpectrumData(s, ui)) Redraw();
             }),
        item("Set the Marking Data", [&s, &ui] { SetMarkingData(s, ui); }),
        item("Set the Fit Data", [&s, &ui] { SetFitData(s, ui); }),
        item("Clear the Form",
             [&s, &ui] {
               ui.ClearForm();
               s.view.graph_mode = GraphMode::kNothing;
             }),
        item("Set  Width Dependence", [&s, &ui] { SetWidthDependence(s, ui); }),
        item("Set Graph Scale",
             [this, &s, &ui] {
               if (SetGraphScale(s, ui)) Redraw();
             }),
        item("Set the Next Spectrum Name",
             [this, &s, &ui] {
               // The input command itself, run inside this one (RunCaption would refuse).
               auto input = [this] {
                 for (MenuDefinition& m : menus_) {
                   for (MenuItem& i : m.items) {
                     if (i.caption == "Input the Spectrum" && i.action) return i.action();
                   }
                 }
               };
               if (SetNextSpectrumName(s, ui, input)) {
                 s.view.graph_mode = GraphMode::kSpectrum;
                 Redraw();
               }
               ShowStatusText();
             }),
        item("Form and Font Sizes",
             [this, &s, &ui] {
               if (SetFormAndFont(s, ui)) Redraw();
             })}},
      {"Graph",
       {item("Graph the Spectrum", [&s, &ui] { GraphTheSpectrum(s, ui); }),
        item("Graph the Interval", [&s, &ui] { GraphTheInterval(s, ui); }),
        item("Cut the Cadre", [&s, &ui] { PickInterval(s, ui, PickPurpose::kCutCadre); }),
        item("Graph Peak Model", [&s, &ui] { GraphPeakModel(s.peak_model, ui); }),
        item("Graph Energy Calibration",
             [&s, &ui] { ShowEnergyCalibrationGraph(CalibrationOf(s), ui); }),
        item("Spectrum -> BMP", [&s, &ui] { SpectrumToBmp(s, ui); }), separator(),
        checkable(item("Spectrum as Points", [&s, &ui] { SetHistogramDrawing(s, ui, false); })),
        checkable(item("Spectrum as Histogram", [&s, &ui] { SetHistogramDrawing(s, ui, true); })),
        checkable(item("Fitted Curve",
                       [&s, &ui] { ShowFittedCurves(s, ui, !s.view.fitted_curves_shown); }))}},
      {"Mark",
       {item("Make the Interval", [&s, &ui] { PickInterval(s, ui, PickPurpose::kMakeInterval); }),
        item("Mark the Peaks ", [&s, &ui] { MarkThePeaks(s, ui); }),
        item("Mark the Peak Model", [&s, &ui] { PickInterval(s, ui, PickPurpose::kPeakModel); }),
        item("Check for Peak and Add", [&s, &ui] { CheckForPeakAndAdd(s, ui); })}},
      {"Operation",
       {item("Reset", [this] { Reset(); }),
        item("Make a Special Peak Model",
             [&s, &ui] { MakeSpecialPeakModel(s.peak_model, s.display, ui); }),
        separator(), item("Automatic Spectrum Marking", [this] { Marking(MarkMode::kAutomatic); }),
        item("Spectrum Marking by Energies", [this] { Marking(MarkMode::kEnergies); }),
        item("Spectrum Marking by Lines", [this] { Marking(MarkMode::kLines); }),
        item("Manual Spectrum Marking", [this] { Marking(MarkMode::kManual); }), separator(),
        item("Interval  Fit", [&s, &ui] { IntervalFitCommand(s, ui, /*from_first=*/true); }),
        item("Continue Fit", [&s, &ui] { IntervalFitCommand(s, ui, /*from_first=*/false); }),
        item("Spectrum  Fit",
             [&s, &ui] {
               SpectrumFitCommand(FitOf(s), ui);
               // The graph shows the new curves at once when they are drawn over it.
               if (s.view.fitted_curves_shown && HasFittedCurves(s)) ShowFittedCurves(s, ui, true);
               ui.ShowStatus(s.view.status_text[0], s.view.status_text[1]);
             }),
        later("Fit Loop"), later("Fit for Graphs")}},
      {"Data",
       {item("Enter Marking Energies",
             then_status([&s, &ui] { EnterMarkingList(MarkingOf(s), ui); })),
        item("Input Marking Data", then_status([&s, &ui] { ReadMarkingData(MarkingOf(s), ui); })),
        item("Edit Marking Data", then_status([&s, &ui] { EditMarkingData(MarkingOf(s), ui); })),
        item("Input Spec.File Names", [&s, &ui] { CreateNameList(s, ui); })}},
      {"Calibration",
       {item("Input Energy Calibr.Data  From File",
             [&s, &ui] { LoadCalibrationFile(CalibrationOf(s), ui, CalibrationKind::kEnergy); }),
        item(
            "Input Eff.Calibr.Data From File",
            [&s, &ui] { LoadCalibrationFile(CalibrationOf(s), ui, CalibrationKind::kEfficiency); }),
        item("Enter Energy Calibr.Data", [&s, &ui] { EnterEnergyData(CalibrationOf(s), ui); }),
        item("Enter Eff.Calibr.Data", [&s, &ui] { EnterEfficiencyData(CalibrationOf(s), ui); }),
        separator(),
        item("Auto_Energy_Calibration",
             [&s, &ui] {
               AutoEnergyCalibration({CalibrationsOf(s), s.marking.peak_list, s.marking.peak_count,
                                      s.display.rus_help, s.view.debug_mode,
                                      WorkFilePath(s.files.work_dir, kAutoCalibrationLogName)},
                                     ui);
             })}},
      {"Info",
       {item("Show Sp.File Names", [&s, &ui] { ShowNameList(s, ui); }),
        item("Show Marked Peaks", [&s, &ui] { ShowMarking(MarkingOf(s), ui); }),
        item("Show Result Table", then_status([&s, &ui] { ShowResultTable(ReportOf(s), ui); }))}},
      {"Help",
       {item("Common Help",
             [&s, &ui] { ui.ShowHelp(HelpLines(HelpTopic::kGeneral, s.display.rus_help)); }),
        item("Get Started",
             [&s, &ui] {
               ui.ShowHelp(HelpLines(HelpTopic::kGettingStarted, s.display.rus_help));
             })}},
      {"Test", {}},
  };
}

void CommandTable::Run(std::size_t menu, std::size_t item) {
  if (menu >= menus_.size()) return;
  RefreshEnabling();
  MenuDefinition& m = menus_[menu];
  if (!m.enabled) return;
  if (m.items.empty()) {
    if (m.caption == "Test") Guarded(m.caption, [this] { TestMenu(); });
    return;
  }
  if (item >= m.items.size()) return;
  MenuItem& i = m.items[item];
  if (i.separator || !i.enabled || !i.action) return;
  Guarded(i.caption, i.action);
}

void CommandTable::Guarded(const std::string& caption, const std::function<void()>& command) {
  // A command waiting for clicks processes the window's events: nothing else may start then.
  if (running_) return;
  running_ = true;
  std::string what;
  try {
    command();
    running_ = false;
    RefreshEnabling();
    return;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
    what = "unknown exception";
  }
  running_ = false;
  // A command that failed in the middle of a pick must not leave the menus switched off.
  if (!state_.view.menus_enabled) {
    state_.view.menus_enabled = true;
    if (state_.view.graph_mode == GraphMode::kClick) state_.view.graph_mode = GraphMode::kSpectrum;
  }
  RefreshEnabling();
  std::string name;
  for (const char c : caption) {
    if (c != '&') name += c;
  }
  const std::string text = "Internal error in " + name + ": " + what;
  if (state_.debug_log) {
    state_.debug_log->WriteLine(text);
    state_.debug_log->Flush();
  }
  ui_.ShowNote(text);
}

bool CommandTable::RunCaption(const std::string& caption) {
  for (std::size_t m = 0; m < menus_.size(); ++m) {
    if (menus_[m].items.empty() && menus_[m].caption == caption) {
      Run(m, 0);
      return true;
    }
    for (std::size_t i = 0; i < menus_[m].items.size(); ++i) {
      if (menus_[m].items[i].caption == caption) {
        Run(m, i);
        return true;
      }
    }
  }
  return false;
}

void CommandTable::RedrawAndStatus() {
  state_.view.graph_mode = GraphMode::kSpectrum;
  Redraw();
  ShowStatusText();
}

void CommandTable::ShowStatusText() {
  ui_.ShowStatus(state_.view.status_text[0], state_.view.status_text[1]);
}

void CommandTable::Redraw() {
  if (state_.view.graph_mode == GraphMode::kSpectrum) {
    GraphTheSpectrum(state_, ui_);
  } else if (state_.view.graph_mode == GraphMode::kInterval) {
    GraphTheInterval(state_, ui_);
  }
}

void CommandTable::NextCadre() {
  Guarded("Next cadre", [this] { pektra::NextCadre(state_, ui_); });
}
void CommandTable::PreviousCadre() {
  Guarded("Previous cadre", [this] { pektra::PreviousCadre(state_, ui_); });
}
void CommandTable::GraphClick(int x, int y) {
  Guarded("the graph", [this, x, y] { ReadOutClick(state_, ui_, x, y); });
}
void CommandTable::FitPictureClick(int x, int y) {
  Guarded("the fit picture", [this, x, y] { pektra::FitPictureClick(state_, ui_, x, y); });
}
void CommandTable::NextInterval() {
  Guarded("Next", [this] { pektra::NextInterval(state_, ui_); });
}
void CommandTable::PreviousInterval() {
  Guarded("Previous", [this] { pektra::PreviousInterval(state_, ui_); });
}
void CommandTable::FitToBmp() {
  Guarded("Fit -> BMP+File", [this] { FitToBmpAndFile(state_, ui_); });
}
void CommandTable::GraphSinglePeaks() {
  Guarded("Graph Single Peaks", [this] { pektra::GraphSinglePeaks(state_, ui_); });
}
void CommandTable::ChangeFit() {
  Guarded("Change", [this] { FitMenu(state_, ui_); });
}

void CommandTable::RefreshEnabling() {
  const ViewState& view = state_.view;
  for (MenuDefinition& menu : menus_) {
    // All menus, "Calibration" and "Test" too, are off while a pick waits for clicks.
    menu.enabled = view.menus_enabled && (menu.caption != "Mark" || view.mark_menu_enabled);
    for (MenuItem& item : menu.items) {
      item.enabled = item.available && !item.separator;
      if (item.caption == "Cut the Cadre") item.enabled = item.enabled && view.cut_cadre_enabled;
      if (item.name == "SpectrumasPoints1") item.checked = !view.histogram_drawing;
      if (item.name == "SpectrumasHistogram1") item.checked = view.histogram_drawing;
      if (item.name == "FittedCurve1") item.checked = view.fitted_curves_shown;
      if (item.name == "Undo1") {
        item.caption = UndoCaption(state_);
        item.enabled = item.enabled && !state_.undo.empty();
      }
    }
  }
}

void CommandTable::Marking(MarkMode mode) {
  state_.marking.mark_mode = mode;
  state_.view.interval_begin = state_.spectrum.b1;
  state_.view.interval_end = state_.spectrum.b2;
  MarkSpectrum(MarkingOf(state_), ui_);
  ui_.ClearForm();
  state_.view.graph_mode = GraphMode::kSpectrum;
  const std::array<std::string, 2> report = state_.view.status_text;
  GraphTheInterval(state_, ui_);  // the interval with its marking
  state_.view.graph_mode = GraphMode::kSpectrum;
  state_.view.status_text = report;
  ShowStatusText();
}

void CommandTable::Reset() {
  if (state_.results.results_unsaved && !ui_.AskOkCancel("Previous fit results not saved")) return;
  state_.results.result_count = 0;
  state_.results.result_offset = 0;
  state_.results.fitted_curves.clear();
  state_.marking.marking_length = 0;
  state_.marking.peak_count = 0;
  state_.marking.interval_count = 0;
  ui_.ClearForm();
  state_.view.graph_mode = GraphMode::kNothing;
  state_.results.results_unsaved = false;
}

void CommandTable::TestMenu() {
  DialogContent dialog = OpenDialogForm("Set Test Spectra");
  dialog.help_lines = HelpLines(HelpTopic::kTestSpectra, state_.display.rus_help);
  std::vector<std::string> items;
  for (const TestSpectrum& test : TestSpectra()) items.push_back(test.caption);
  items.push_back("   Set Debug mode");
  DialogChoiceList& choice = ShowChoiceList(dialog, 0, 30, 40, 270, 150, std::move(items), 0);
  ui_.ShowDialog(dialog);
  if (!dialog.ok) return;
  const int selected = choice.selected;
  if (selected == static_cast<int>(TestSpectra().size())) {
    state_.view.debug_mode = true;  // never switched off during a run
    ui_.ShowStatus(" Debug mode is on", "");
    return;
  }
  if (selected < 0 || selected > static_cast<int>(TestSpectra().size())) return;
  if (state_.results.results_unsaved) {
    if (!ui_.AskYesNo("Former results not saved. Proceed?")) return;
    state_.results.results_unsaved = false;
  }
  const std::string& caption = TestSpectra()[static_cast<std::size_t>(selected)].caption;
  RememberSpectrum(state_,
                   caption.substr(std::min(caption.find_first_not_of(' '), caption.size())));
  LoadTestSpectrum(state_, selected);
  state_.results.result_count = 0;
  state_.results.result_offset = 0;
  state_.results.fitted_curves.clear();
  state_.view.graph_mode = GraphMode::kSpectrum;
  Redraw();
  ui_.ShowStatus(" " + TestSpectra()[static_cast<std::size_t>(selected)].caption, "");
}

}  // namespace pektra
