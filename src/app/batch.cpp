#include "app/batch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "calib/calibration.h"
#include "calib/calibration_commands.h"
#include "core/file_names.h"
#include "core/input_file.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "marking/marking_commands.h"
#include "report/result_table.h"
#include "spectrum/spectrum_input.h"
#include "spectrum/spectrum_type_guess.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/init_file.h"

namespace pektra {

namespace {

const char* const kHelp =
    "Usage: pektra-batch [options] SPECTRUM...\n"
    "Analyses gamma-ray spectra without a window, the way the window does with the same\n"
    "settings: reads the init file, then for every spectrum reads it, marks it (finds the peaks\n"
    "and divides it into fit intervals), fits every interval and writes the summary table.\n"
    "\n"
    "Options:\n"
    "  --init FILE        init file (default: pektra.ini in the current folder, if present);\n"
    "                     it gives the spectrum type and options, the interval, the widths,\n"
    "                     the marking settings and the calibrations\n"
    "  --list FILE        a name list: one spectrum file name per line (blank lines skipped)\n"
    "  --type N           spectrum file type: 1 = 2 bytes per word binary, 2 = 4 bytes per\n"
    "                     word binary, 3 = ASCII free field, 4 = ASCII lines of X, Y [error]\n"
    "                     (default: the init file's; without one a text file's type is taken\n"
    "                     from its content, and a binary file needs --type)\n"
    "  --marking FILE     marking data (intervals and peaks) instead of the peak search\n"
    "  --energy FILE      energy calibration file (channel, energy, error per line)\n"
    "  --efficiency FILE  efficiency calibration file (energy, coefficient, error per line)\n"
    "  --out DIR          write the summary tables into DIR (default: beside each spectrum,\n"
    "                     named as the window proposes: spec.dat gives specdat.res)\n"
    "  -j N               analyse N spectra at once\n"
    "  --help             this text\n"
    "\n"
    "Messages the window would show go to standard error in the same words, prefixed with the\n"
    "spectrum's name. A spectrum that fails is reported and skipped; the others go on. An\n"
    "existing summary table of the same name is replaced. Exit status: 0 when every spectrum\n"
    "was analysed and saved, 1 when one or more failed, 2 for wrong options.\n";

struct Options {
  std::string init_file;
  bool init_given = false;
  std::vector<std::string> spectra;
  int type = 0;
  std::string marking_file, energy_file, efficiency_file, out_dir;
  int jobs = 1;
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
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
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
      if (!ok || v != n || (arg == "--type" ? (n < 1 || n > 4) : (n < 1 || n > 64))) {
        err << "pektra-batch: wrong value for " << arg << ": " << number << '\n';
        return false;
      }
      (arg == "--type" ? o.type : o.jobs) = n;
    } else if (arg == "--marking") {
      if (!value(o.marking_file)) return false;
    } else if (arg == "--energy") {
      if (!value(o.energy_file)) return false;
    } else if (arg == "--efficiency") {
      if (!value(o.efficiency_file)) return false;
    } else if (arg == "--out") {
      if (!value(o.out_dir)) return false;
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
    std::string line;
    while (ReadWholeLine(in, line)) {
      const std::size_t start = line.find_first_not_of(" \t");
      if (start != std::string::npos) o.spectra.push_back(line.substr(start));
    }
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
  const int count = ReadCalibrationItems(in, items);
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

std::string SummaryPath(const Options& o, const std::string& spectrum) {
  const std::string proposed = ProposedSummaryName(spectrum);
  if (o.out_dir.empty()) return proposed;
  return (std::filesystem::path(o.out_dir) / FileNamePart(proposed)).string();
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
  {
    std::istringstream init(init_text);
    ReadInitFile(init, *state);
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
  if (o.type != 0) state->spectrum.file_type = o.type;
  if (state->spectrum.file_type == 0 && !TakeTypeFromContent(*state, ui, spectrum)) return false;
  const bool read = ReadSpectrum(SpectrumInputOf(*state), ui);
  if (!FinishSpectrumInput(SpectrumInputOf(*state), ui, read)) {
    ui.Say(state->view.status_text[0]);
    return false;
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
  MarkSpectrum(MarkingOf(*state), ui);
  if (state->view.dialog_ok == 0) {
    ui.Say("marking failed");
    return false;
  }
  FitSpectrum(FitOf(*state), ui);
  const int rows = state->results.result_count;
  const std::string target = SummaryPath(o, spectrum);
  if (rows > 0 &&
      !WriteSummaryTableFile(target, ReportOf(*state), state->results.norm_coefficient)) {
    ui.Say("Error, the file " + target + " could not be written");
    return false;
  }
  report = FileNamePart(spectrum) + ": " + std::to_string(state->marking.peak_count) +
           " peak(s) found, " + std::to_string(rows) + " row(s)" +
           (rows > 0 ? " saved in " + target : ", nothing saved");
  return true;
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
  std::string init_text;
  if (!LoadInitText(o, init_text, err)) return 2;

  std::mutex lock;
  std::atomic<std::size_t> next{0};
  std::atomic<int> failed{0}, done{0};
  const std::size_t total = o.spectra.size();
  auto worker = [&] {
    for (std::size_t k = next++; k < total; k = next++) {
      std::string report;
      bool ok = false;
      try {
        ok = AnalyseOne(o, init_text, o.spectra[k], err, lock, report);
      } catch (const std::exception& e) {  // e.g. out of memory: this spectrum only
        std::lock_guard<std::mutex> guard(lock);
        err << FileNamePart(o.spectra[k]) << ": Internal error: " << e.what() << '\n';
      } catch (...) {
        std::lock_guard<std::mutex> guard(lock);
        err << FileNamePart(o.spectra[k]) << ": Internal error\n";
      }
      if (!ok) ++failed;
      const int finished = ++done;
      std::lock_guard<std::mutex> guard(lock);
      if (total > 1) err << '[' << finished << '/' << total << "] ";
      err << (ok ? report : FileNamePart(o.spectra[k]) + ": FAILED, skipped") << '\n';
    }
  };
  const int jobs = std::min<int>(o.jobs, static_cast<int>(total));
  std::vector<std::thread> threads;
  for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads) thread.join();
  if (total > 1) {
    err << "pektra-batch: " << (total - failed) << " of " << total << " spectra analysed\n";
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace pektra
