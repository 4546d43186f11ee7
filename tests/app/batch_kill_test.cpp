// kill -9 in the middle of a "-j 2" run of the real pektra-batch program leaves only complete
// summary tables under their final names; anything else left is a temporary file named as one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "spectrum/synthetic_spectrum.h"
#include "support/test_files.h"

namespace pektra {
namespace {

constexpr int kSpectra = 40;

// An init file and kSpectra text spectra of 2048 channels with four peaks each, placed and
// sized a little differently in every spectrum. Returns the spectrum file names.
std::vector<std::string> WriteSeries(const testing::TempDir& dir) {
  testing::WriteFile(dir.File("pektra.ini"),
                     ".......Set the Analysis Bounds\n       2    2047\n"
                     ".......Enter the Width Information\n    4.000   4.0000    1.000\n"
                     ".......Mark the Spectrum\n    0    1.00   -1.00    0\n"
                     ".......STOP\n");
  std::vector<std::string> names;
  for (int s = 0; s < kSpectra; ++s) {
    SyntheticSpec recipe;
    recipe.channels = 2048;
    recipe.seed = static_cast<std::uint32_t>(100 + s);
    recipe.background = {300, 800, 30};
    for (const double c : {300.0, 700.0, 1100.0, 1500.0}) {
      recipe.peaks.push_back({c + 3 * s, 5000.0 + 500 * s, 4});
    }
    std::string text;
    for (const double c : GenerateCounts(recipe)) text += std::to_string(std::lround(c)) + "\n";
    std::string name = "s";
    name += std::to_string(s) + ".txt";
    names.push_back(dir.File(name));
    testing::WriteFile(names.back(), text);
  }
  return names;
}

// Whether `text` is a whole summary table: a header saying how many peaks, the column line, then
// that many peaks of two lines of seven numbers (the first may end with a flag field) and an
// empty line each, and nothing after.
bool CompleteSummary(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  int peaks = 0;
  while (std::getline(in, line) && line.rfind("   Channel  Energy", 0) != 0) {
    const std::size_t at = line.find("Number of peaks  =");
    if (at != std::string::npos) peaks = std::atoi(line.c_str() + at + 18);
  }
  if (peaks < 1 || !std::getline(in, line) || !line.empty()) return false;
  for (int p = 0; p < peaks; ++p) {
    for (int half = 0; half < 2; ++half) {
      if (!std::getline(in, line)) return false;
      std::istringstream fields(line);
      double value = 0;
      int numbers = 0;
      while (fields >> value) ++numbers;
      fields.clear();
      std::string flags, more;
      fields >> flags >> more;
      if (numbers != 7 || !more.empty() || (half == 1 && !flags.empty())) return false;
    }
    if (!std::getline(in, line) || !line.empty()) return false;
  }
  return in.peek() == std::char_traits<char>::eof();
}

// Starts pektra-batch with `args`, its output thrown away.
pid_t StartBatch(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(PEKTRA_BATCH_PROGRAM)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int SummariesIn(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    count += entry.path().extension() == ".res";
  }
  return count;
}

// Every summary table in the folder is complete, and every other file is a temporary one.
void ExpectOnlyCompleteSummaries(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".res") {
      EXPECT_TRUE(CompleteSummary(testing::ReadFile(entry.path().string())))
          << name << ":\n"
          << testing::ReadFile(entry.path().string());
    } else {
      EXPECT_NE(name.find("tmp"), std::string::npos) << name << " is no temporary file";
    }
  }
}

// The arguments of a run on the spectra with the init file of `dir`, into the folder `out`.
std::vector<std::string> BatchArgs(const testing::TempDir& dir,
                                   const std::vector<std::string>& spectra,
                                   const std::filesystem::path& out) {
  std::vector<std::string> args{
      "--init", dir.File("pektra.ini"), "--type", "3", "-j", "2", "--out", out.string()};
  args.insert(args.end(), spectra.begin(), spectra.end());
  return args;
}

// Runs pektra-batch with `args` (into the folder `out`) and kills it with SIGKILL once `saved`
// tables are there and `microseconds` later. Returns whether it was killed before it ended.
bool RunAndKill(const std::vector<std::string>& args, const std::filesystem::path& out, int saved,
                int microseconds) {
  std::filesystem::create_directory(out);
  const pid_t pid = StartBatch(args);
  if (pid <= 0) return false;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = 0;
  while (SummariesIn(out) < saved && std::chrono::steady_clock::now() < give_up) {
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(PektraBatchKilled, LeavesOnlyCompleteSummaryTables) {
  testing::TempDir dir;
  const std::vector<std::string> spectra = WriteSeries(dir);
  // Killed once so many tables are there, at once (a table just begun may be in the middle of
  // its write) or a moment later: at different points of a write.
  const std::pair<int, int> moments[] = {{0, 0},   {1, 0}, {2, 50},   {4, 0},
                                         {6, 200}, {9, 0}, {12, 700}, {16, 0}};
  int killed = 0, round = 0;
  std::filesystem::path out;
  for (const auto& [saved, microseconds] : moments) {
    out = dir.path() / "out";
    out += std::to_string(++round);
    killed += RunAndKill(BatchArgs(dir, spectra, out), out, saved, microseconds);
    ExpectOnlyCompleteSummaries(out);
  }
  EXPECT_GE(killed, 6) << "the runs ended before they could be killed";

  // A run into the last folder, not killed, leaves a complete table for every spectrum.
  int status = -1;
  waitpid(StartBatch(BatchArgs(dir, spectra, out)), &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(SummariesIn(out), kSpectra);
  ExpectOnlyCompleteSummaries(out);
}

}  // namespace
}  // namespace pektra
