#include "app/batch.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "app/batch_model_calibration.h"
#include "app/batch_outputs.h"
#include "calib/calibration.h"
#include "calib/calibration_commands.h"
#include "calib/file_calibration.h"
#include "core/file_names.h"
#include "core/input_file.h"
#include "core/number_format.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "marking/marking_commands.h"
#include "report/name_list.h"
#include "report/result_export.h"
#include "report/result_table.h"
#include "spectrum/blunders.h"
#include "spectrum/spectrum_input.h"
#include "spectrum/spectrum_type_guess.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/init_file.h"
#include "state/peak_model_setup.h"

namespace pektra {

namespace {

const char* const kHelp =
    "Usage: pektra-batch [options] [--] SPECTRUM...\n"
    "Analyses gamma-ray spectra without a window, the way the window does with the same\n"
    "settings: reads the init file, then for every spectrum reads it, marks it (finds the peaks\n"
    "and divides it into fit intervals), fits every interval and writes the summary table.\n"
    "\n"
    "Options:\n"
    "  --init FILE        init file (default: pektra.ini in the current folder, if present);\n"
    "                     it gives the spectrum type and options, the interval, the widths,\n"
    "                     the marking settings and the calibrations\n"
    "  --list FILE        a name list: one spectrum file name per line (leading blanks\n"
    "                     ignored, empty lines skipped, any number of names)\n"
    "  --type N           spectrum file type: 1 = 2 bytes per word binary, 2 = 4 bytes per\n"
    "                     word binary, 3 = ASCII free field, 4 = ASCII lines of X, Y [error],\n"
    "                     5 = standard format (SPE, CHN, CNF, N42, CSV, MCA) detected\n"
    "                     (default: 5 for a file of a standard format named .spe, .chn, .cnf,\n"
    "                     .cam, .n42, .xml, .csv or .mca, else the init file's; without one\n"
    "                     the type is taken from the content, and a binary file needs --type)\n"
    "  --set NAME=VALUE   a setting by its init-file name (COVAR, SMAST, ORDER, CHIO, DPOS,\n"
    "                     STEP, DAMP, DBACK, MAXINT, NITER, SGM, SMOOTH, KWIDTH, ADINT, NORMC,\n"
    "                     NORMBYC, TRIM, WSLOPE, WOFFSET, WIDTHBYCH), after the init file;\n"
    "                     repeatable. WIDTHBYCH is 1 unless the init file or --set says 0\n"
    "  --marking FILE     marking data (intervals and peaks) instead of the peak search\n"
    "  --blunders         correct blunders (single wrong channels) before marking, with the\n"
    "                     init file's chibc and order, as \"Correct for Blunders\" does; the\n"
    "                     number corrected and the first channels go to standard error\n"
    "  --energy FILE      energy calibration file (channel, energy, error per line)\n"
    "  --auto-calibrate Ra226|Eu152\n"
    "                     after marking, the energy calibration from the source's lines, as\n"
    "                     \"Auto_Energy_Calibration\" does (refused when the largest discrepancy\n"
    "                     is above 0.5 keV: the spectrum then fails)\n"
    "  --emin E, --emax E the energy range of the lines for --auto-calibrate (100, 1770 keV)\n"
    "  --model-range FIRST LAST\n"
    "                     before marking, the real peak model formed from these channels of\n"
    "                     each spectrum (the automatic smoothing accepted; when it cannot be\n"
    "                     formed, a message and the previous model)\n"
    "  --efficiency FILE  efficiency calibration file (energy, coefficient, error per line)\n"
    "  --out DIR          write the summary tables into DIR (default: beside each spectrum,\n"
    "                     named as the window proposes: spec.dat gives specdat.res)\n"
    "  --csv              also write NAME.csv beside each summary table NAME.res: one row per\n"
    "                     peak (channel, dchannel, energy, denergy, area, darea, intensity,\n"
    "                     dintensity, width, dwidth, crit, flags), a header row, dot decimals\n"
    "  --json             also write NAME.json: the same rows with the spectrum, the\n"
    "                     calibrations, the settings and the program version\n"
    "  -j N               analyse N spectra at once\n"
    "  --help             this text\n"
    "  --                 ends the options: every later argument is a spectrum file name\n"
    "\n"
    "For every spectrum analysed and saved a line goes to standard output (with \"[k/N] \" in\n"
    "front, k counting the spectra done, when there are several). Messages the window would show\n"
    "go to standard error in the same words, prefixed with the spectrum's name, and so do the\n"
    "failures and the count of the run. A spectrum fails when it cannot be read or marked, when\n"
    "no peak is found or none can be fitted, or when its table cannot be written; it is reported\n"
    "and skipped, and the others go on. An existing summary table of the same name is replaced by\n"
    "the new one; that of a failed spectrum is left as it was, with a message that it is not a\n"
    "result of this run. Spectra that would be saved under one name (a/x.txt and b/x.txt with\n"
    "--out, or spec.dat and specdat), or whose table would replace a file the run reads, are\n"
    "refused before anything is analysed.\n"
    "Exit status: 0 when every spectrum was analysed and its summary table written, 1 when one\n"
    "or more failed, 2 for wrong options or clashing summary names.\n";

struct Options {
  std::string init_file;
  bool init_given = false;
  std::vector<std::string> spectra;
  int type = 0;
  std::string marking_file, energy_file, efficiency_file, out_dir;
  int jobs = 1;
  bool blunders = false;
  int model_first = 0, model_last = 0;  // --model-range
  AutoCalibrationRequest calibration;   // --auto-calibrate, --emin, --emax
  bool csv = false, json = false;       // results for other programs beside the summary table
  std::string settings;                 // --set NAME=VALUE as init-file commands
};

// The user interface of a spectrum in batch: notes go to standard error, dialogs are confirmed as
// they are preset (the settings come from the init file), questions are answered No.
class BatchUserInterface : public UserInterface {
 public:
  BatchUserInterface(std::string name, std::ostream& err, std::mutex& lock)
      : name_(std::move(name)), err_(err), lock_(lock) {}

  void ShowNote(const std::string& text) override { Say(text); }
  bool AskYesNo(const std::string& text, bool) override {
    Say(text + " (answered No)");
    return false;
  }
  bool AskOkCancel(const std::string& text) override {
    Say(text + " (answered Cancel)");
    return false;
  }
  void ShowDialog(DialogContent& dialog) override { dialog.ok = true; }
  std::optional<std::string> AskOpenFile(const FileQuestion&) override { return std::nullopt; }
  std::vector<std::string> AskOpenFiles(const FileQuestion&) override { return {}; }
  std::optional<std::string> AskSaveFile(const FileQuestion&) override { return std::nullopt; }
  GraphEvent WaitForGraphEvent() override { return {}; }
  void ShowStatus(const std::string&, const std::string&) override {}
  void ShowPicture(PictureArea, const Picture&) override {}
  void ShowHelp(const std::vector<std::string>&) override {}

  void Say(const std::string& text) {
    std::string line = text;
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::lock_guard<std::mutex> guard(lock_);
    err_ << name_ << ": " << line << '\n';
  }

 private:
  std::string name_;
  std::ostream& err_;
  std::mutex& lock_;
};

bool ParseArgs(const std::vector<std::string>& args, Options& o, std::ostream& err, bool& help) {
  std::vector<std::string> lists;
  bool options_ended = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (options_ended) {
      o.spectra.push_back(arg);
      continue;
    }
    auto value = [&](std::string& target) {
      if (k + 1 >= args.size()) {
        err << "pektra-batch: " << arg << " needs a value\n";
        return false;
      }
      target = args[++k];
      return true;
    };
    std::string number;
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--csv") {
      o.csv = true;
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--init") {
      if (!value(o.init_file)) return false;
      o.init_given = true;
    } else if (arg == "--list") {
      std::string list;
      if (!value(list)) return false;
      lists.push_back(list);
    } else if (arg == "--type" || arg == "-j") {
      if (!value(number)) return false;
      bool ok = true;
      const double v = StrToReal(number, ok);
      const int n = static_cast<int>(v);
      if (!ok || v != n || (arg == "--type" ? (n < 1 || n > 5) : (n < 1 || n > 64))) {
        err << "pektra-batch: wrong value for " << arg << ": " << number << '\n';
        return false;
      }
      (arg == "--type" ? o.type : o.jobs) = n;
    } else if (arg == "--set") {
      std::string assignment;
      if (!value(assignment)) return false;
      const std::size_t equals = assignment.find('=');
      std::string name = assignment.substr(0, equals);
      std::transform(name.begin(), name.end(), name.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      if (equals == std::string::npos || CommandKey(name) != name || !IsOneNumberCommand(name)) {
        err << "pektra-batch: --set " << assignment
            << ": no setting of that name (NAME=VALUE, NAME one of the init file's one-number"
               " commands, see README)\n";
        return false;
      }
      const std::string text = assignment.substr(equals + 1);
      bool ok = true;
      const double v = StrToReal(text, ok);
      if (!ok || text.find_first_not_of(' ') == std::string::npos || !std::isfinite(v)) {
        err << "pektra-batch: wrong value for --set " << name << ": " << text << '\n';
        return false;
      }
      o.settings += "......." + name + "\n" + FormatShortest(v) + "\n";
    } else if (arg == "--marking") {
      if (!value(o.marking_file)) return false;
    } else if (arg == "--energy") {
      if (!value(o.energy_file)) return false;
    } else if (arg == "--efficiency") {
      if (!value(o.efficiency_file)) return false;
    } else if (arg == "--out") {
      if (!value(o.out_dir)) return false;
    } else if (arg == "--blunders") {
      o.blunders = true;
    } else if (arg == "--auto-calibrate") {
      if (!value(number)) return false;
      if (!ParseCalibrationSource(number, o.calibration.source)) {
        err << "pektra-batch: wrong value for " << arg << ": " << number << " (Ra226 or Eu152)\n";
        return false;
      }
      o.calibration.wanted = true;
    } else if (arg == "--emin" || arg == "--emax" || arg == "--model-range") {
      const int count = arg == "--model-range" ? 2 : 1;
      double v[2] = {0, 0};
      for (int i = 0; i < count; ++i) {
        bool ok = true;
        if (!value(number) || ((v[i] = StrToReal(number, ok)), !ok)) {
          if (ok) return false;
          err << "pektra-batch: wrong value for " << arg << ": " << number << '\n';
          return false;
        }
      }
      if (arg == "--emin") o.calibration.emin = v[0];
      if (arg == "--emax") o.calibration.emax = v[0];
      if (arg == "--model-range") {
        const int first = static_cast<int>(std::min(v[0], v[1]));
        const int last = static_cast<int>(std::max(v[0], v[1]));
        if (first < 1 || last > kMaxChannels || last - first + 1 < 9 || last - first + 1 > 1024) {
          err << "pektra-batch: wrong value for --model-range: " << v[0] << " " << v[1]
              << " (9 to 1024 channels within 1.." << kMaxChannels << ")\n";
          return false;
        }
        o.model_first = first;
        o.model_last = last;
      }
    } else if (arg == "--") {
      options_ended = true;
    } else if (!arg.empty() && arg[0] == '-') {
      err << "pektra-batch: unknown option " << arg << " (see --help)\n";
      return false;
    } else {
      o.spectra.push_back(arg);
    }
  }
  for (const std::string& list : lists) {
    std::ifstream in(list);
    if (!in) {
      err << "pektra-batch: No file " << list << '\n';
      return false;
    }
    // The window's reader, without the window's 200-name limit: a batch has no list to hold.
    for (std::string& name : ReadNameListLines(in)) o.spectra.push_back(std::move(name));
  }
  return true;
}

// Loads a calibration file the way "Input ... From File" does; false with a message otherwise.
bool LoadCalibration(AnalysisState& state, BatchUserInterface& ui, const std::string& file,
                     bool energy) {
  std::ifstream in(file);
  if (!in) {
    ui.Say("No file " + file);
    return false;
  }
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  const CalibrationFileItems read = ReadCalibrationItems(
      in, energy ? CalibrationKind::kEnergy : CalibrationKind::kEfficiency, items);
  if (!read.outcome.ok) {
    ui.Say("Error in " + file + ", " + read.outcome.message);
    return false;
  }
  if (const std::string note = DroppedItemsNote(read); !note.empty())
    ui.Say(note + " (" + file + ")");
  const int count = read.count;
  if (energy) {
    const std::string problem = EnergyItemsProblem(items, count, state.enc.enc_mode);
    if (!problem.empty()) {
      ui.Say(problem + " (" + file + ")");
      state.enc.enc_present = false;
      return false;
    }
    InstallEnergyCalibration(CalibrationsOf(state), items, count, state.enc.enc_mode);
  } else {
    if (count < 1) {
      ui.Say("Empty lines. Cancelled (" + file + ")");
      return false;
    }
    InstallEfficiencyCalibration(state.efc, items, count);
  }
  return true;
}

// The init file's text: "" when no init file was named and there is no pektra.ini (an empty
// pektra.ini counts as none). One that is there must be usable: a folder, an unreadable file or a
// named empty file is an error, not "no init file".
bool LoadInitText(const Options& o, std::string& text, std::ostream& err) {
  const std::string name = o.init_given ? o.init_file : std::string("pektra.ini");
  std::error_code error;
  const auto status = std::filesystem::status(name, error);
  if (!std::filesystem::exists(status)) {
    if (o.init_given) err << "pektra-batch: No file " << name << '\n';
    return !o.init_given;
  }
  if (std::filesystem::is_directory(status)) {
    err << "pektra-batch: " << name << " is a directory, not an init file\n";
    return false;
  }
  errno = 0;
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  if (in) content << in.rdbuf();
  if (!in || in.bad()) {
    err << "pektra-batch: cannot read " << name << ": "
        << InputFile::Reason(errno != 0 ? errno : EIO) << '\n';
    return false;
  }
  text = content.str();
  if (text.empty() && o.init_given) {
    err << "pektra-batch: the init file " << name << " is empty\n";
    return false;
  }
  return true;
}

// The spectrum type when neither --type nor the init file gave one: from the file's content.
bool TakeTypeFromContent(AnalysisState& state, BatchUserInterface& ui, const std::string& file) {
  const SpectrumTypeGuess guess = GuessSpectrumFileType(file);
  ui.Say(guess.message);
  state.spectrum.file_type = guess.type;
  return guess.type != 0;
}

// One spectrum from file to summary table, in a state of its own. Returns success.
bool AnalyseOne(const Options& o, const std::string& init_text, const std::string& spectrum,
                std::ostream& err, std::mutex& lock, std::string& report) {
  BatchUserInterface ui(FileNamePart(spectrum), err, lock);
  auto state = std::make_unique<AnalysisState>();
  std::error_code error;
  state->files.work_dir = std::filesystem::current_path(error).string();
  // Type 0 until the init file or --type sets one.
  state->spectrum.file_type = 0;
  // Peaks are refined by the fit unless the init file says otherwise.
  state->marking.refinement.refine = true;
  // Every interval starts at the width line's value there unless the init file or --set says
  // otherwise: with widths growing over the spectrum, w1 everywhere biases the areas low.
  state->fit.width_by_channel = 1;
  {
    std::istringstream init(init_text);
    ReadInitFile(init, *state);
  }
  if (!o.settings.empty()) {
    std::istringstream settings(o.settings);
    ReadInitFile(settings, *state);
  }
  if (!o.energy_file.empty() && !LoadCalibration(*state, ui, o.energy_file, true)) return false;
  if (!o.efficiency_file.empty() && !LoadCalibration(*state, ui, o.efficiency_file, false)) {
    return false;
  }
  if (!FileExists(spectrum)) {
    ui.Say("No file " + spectrum);
    return false;
  }
  state->spectrum.file_name = spectrum;
  if (o.type != 0) {
    state->spectrum.file_type = o.type;
  } else if (state->spectrum.file_type == 0 || HasStandardExtension(spectrum)) {
    // A standard format is read as such, whatever type the init file names for other files.
    const SpectrumTypeGuess standard = GuessStandardFileType(spectrum);
    if (standard.type != 0) {
      state->spectrum.file_type = standard.type;
      ui.Say(standard.message);
    }
  }
  if (state->spectrum.file_type == 0 && !TakeTypeFromContent(*state, ui, spectrum)) return false;
  const bool read = ReadSpectrum(SpectrumInputOf(*state), ui);
  if (!FinishSpectrumInput(SpectrumInputOf(*state), ui, read)) {
    ui.Say(state->view.status_text[0]);
    return false;
  }
  {
    // The file's energy calibration when the init file (or --energy) gave none; else a message.
    const FileCalibrationOffer offer =
        OfferFileCalibration(CalibrationsOf(*state), state->spectrum.facts.calibration, ui, false);
    if (offer.use != FileCalibrationUse::kNone) ui.Say(offer.message);
  }

  if (o.blunders) {
    std::vector<BlunderCorrection> corrections;
    TSpectrum& sp = state->spectrum;
    const int count = CorrectBlunders(sp, sp.a1, sp.a2, state->processing, &corrections);
    ui.Say(std::to_string(count) + " blunders corrected" +
           (count > 0 ? " (" + CorrectionsLine(corrections) + ")" : std::string()));
  }
  if (!o.marking_file.empty()) {
    std::vector<double> values;
    const Outcome read = ReadMarkingValues(o.marking_file, values);
    if (!read.ok) {
      ui.Say(read.message);
      return false;
    }
    for (std::size_t k = 0; k < values.size(); ++k) {
      state->marking.marking_data[static_cast<int>(k) + 1] = values[k];
    }
    state->marking.marking_length = static_cast<int>(values.size());
    state->marking.mark_mode = MarkMode::kMarkingData;
  }
  if (o.model_first > 0) {
    TPeakModel& model = state->peak_model;
    model.model_first = o.model_first;
    model.model_last = o.model_last;
    model.model_edge = -1;  // proposed for each spectrum
    model.real_from_range = true;
  }
  FormRequestedRealModel(*state, ui);
  MarkSpectrum(MarkingOf(*state), ui);
  if (state->view.dialog_ok == 0) {
    ui.Say("marking failed");
    return false;
  }
  if (o.calibration.wanted && !AutoCalibrateMarked(*state, o.calibration, ui)) return false;
  state->results.keep_fitted_curves = false;  // no window draws them here
  FitSpectrum(FitOf(*state), ui);
  for (const std::string& note : state->fit.refinement_notes) ui.Say(note);
  const int rows = RowsInUse(state->results);
  const int peaks = state->marking.peak_count;
  if (rows == 0) {
    ui.Say(peaks == 0 ? std::string("no peaks found; nothing saved")
                      : "none of the " + std::to_string(peaks) +
                            " peak(s) found could be fitted; nothing saved");
    return false;
  }
  const std::string target = SummaryPath(o.out_dir, spectrum);
  std::string why;
  if (!WriteSummaryTableFile(target, ReportOf(*state), state->results.norm_coefficient, &why)) {
    ui.Say("Error, the file " + target + " could not be written: " + why);
    return false;
  }
  for (const char* extension : {"csv", "json"}) {
    const bool csv = extension[0] == 'c';
    if (!(csv ? o.csv : o.json)) continue;
    const std::string file = ResultsPathBeside(target, extension);
    const bool written = csv ? WriteResultsCsvFile(file, ReportOf(*state), &why)
                             : WriteResultsJsonFile(file, ReportOf(*state), &why);
    if (!written) {
      ui.Say("Error, the file " + file + " could not be written: " + why);
      return false;
    }
  }
  report = FileNamePart(spectrum) + ": " + std::to_string(peaks) + " peak(s) found, " +
           std::to_string(rows) + " row(s) saved in " + target;
  const std::string flagged = FlaggedRowsNote(state->results);
  if (!flagged.empty()) report += " (" + flagged + ")";
  return true;
}

// Refuses a run in which two spectra would be saved in one summary file, or a summary table would
// replace a file the run reads: a series wants one table per spectrum under a name that can be
// told from the spectrum's, so nothing is analysed until every spectrum has a file of its own.
bool SummaryNamesClash(const Options& o, std::ostream& err) {
  std::vector<std::string> inputs = o.spectra;
  inputs.push_back(o.init_given ? o.init_file : std::string("pektra.ini"));
  for (const std::string& file : {o.marking_file, o.energy_file, o.efficiency_file}) {
    if (!file.empty()) inputs.push_back(file);
  }
  const std::vector<std::string> clashes = SummaryNameClashes(o.out_dir, o.spectra, inputs);
  if (clashes.empty()) return false;
  for (const std::string& clash : clashes) err << "pektra-batch: " << clash << '\n';
  err << "pektra-batch: nothing was analysed; every spectrum needs a summary file of its own "
         "(rename the spectrum, or analyse such spectra in runs with different --out folders)\n";
  return true;
}

// AnalyseOne, with an exception (out of memory, say) a failure of this spectrum only.
bool AnalyseCaught(const Options& o, const std::string& init_text, const std::string& spectrum,
                   std::ostream& err, std::mutex& lock, std::string& report) {
  try {
    return AnalyseOne(o, init_text, spectrum, err, lock, report);
  } catch (const std::exception& e) {
    std::lock_guard<std::mutex> guard(lock);
    err << FileNamePart(spectrum) << ": Internal error: " << e.what() << '\n';
  } catch (...) {
    std::lock_guard<std::mutex> guard(lock);
    err << FileNamePart(spectrum) << ": Internal error\n";
  }
  return false;
}

// Says that a summary table of the name a failed spectrum would have used is still there.
void NoteOlderSummary(const std::string& target, const std::string& name, std::ostream& err) {
  std::error_code error;
  if (std::filesystem::is_regular_file(target, error)) {
    err << name << ": the older summary table " << target
        << " was left as it was; it is not a result of this run\n";
  }
}

// Analyses every spectrum, o.jobs at once; returns how many failed. The line of a spectrum saved
// goes to `out`, a failure to `err` with a word on an older summary table of the spectrum's name,
// which stays as it was. With several spectra each line starts with "[k/N] ", k counting the
// spectra done in the order of their lines.
int AnalyseAll(const Options& o, const std::string& init_text, std::ostream& out,
               std::ostream& err) {
  std::mutex lock;
  std::atomic<std::size_t> next{0};
  std::atomic<int> failed{0};
  std::size_t done = 0;  // guarded by lock
  const std::size_t total = o.spectra.size();
  auto worker = [&] {
    for (std::size_t k = next++; k < total; k = next++) {
      const std::string& spectrum = o.spectra[k];
      std::string report;
      const bool ok = AnalyseCaught(o, init_text, spectrum, err, lock, report);
      if (!ok) ++failed;
      std::lock_guard<std::mutex> guard(lock);
      if (!ok) NoteOlderSummary(SummaryPath(o.out_dir, spectrum), FileNamePart(spectrum), err);
      std::ostream& lines = ok ? out : err;
      if (total > 1) lines << '[' << ++done << '/' << total << "] ";
      lines << (ok ? report : FileNamePart(spectrum) + ": FAILED, skipped");
      lines << std::endl;  // at once, for a reader on a pipe
    }
  };
  const int jobs = std::min<int>(o.jobs, static_cast<int>(total));
  std::vector<std::thread> threads;
  for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads) thread.join();
  return failed;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  bool help = false;
  if (!ParseArgs(args, o, err, help)) return 2;
  if (help) {
    out << kHelp;
    return 0;
  }
  if (o.spectra.empty()) {
    err << "pektra-batch: no spectrum given (see --help)\n";
    return 2;
  }
  if (SummaryNamesClash(o, err)) return 2;
  std::string init_text;
  if (!LoadInitText(o, init_text, err)) return 2;
  const std::string init_file = o.init_given ? o.init_file : std::string("pektra.ini");
  {  // Values the init file gives and that are refused: said once, not once per spectrum.
    auto scratch = std::make_unique<AnalysisState>();
    std::istringstream in(init_text);
    for (const std::string& message : ReadInitFile(in, *scratch)) {
      err << "pektra-batch: " << init_file << ": " << message << '\n';
    }
  }

  if (!o.settings.empty()) {  // a value out of its range ends the run before it begins
    auto scratch = std::make_unique<AnalysisState>();
    std::istringstream in(o.settings);
    const InitMessages refused = ReadInitFile(in, *scratch);
    for (const std::string& message : refused) err << "pektra-batch: --set " << message << '\n';
    if (!refused.empty()) return 2;
  }

  const int failed = AnalyseAll(o, init_text, out, err);
  if (o.spectra.size() > 1) {
    err << "pektra-batch: " << (o.spectra.size() - static_cast<std::size_t>(failed)) << " of "
        << o.spectra.size() << " spectra analysed\n";
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace pektra
