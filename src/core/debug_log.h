// The debug log "a.res": trace lines of the peak search and the fits in debug mode, and the lists
// saved by the Save button of the data-entry dialog.
#pragma once

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

namespace pektra {

inline constexpr const char* kDebugLogName = "a.res";

class DebugLog {
 public:
  // A log kept in memory (tests, and the batch tool when no log is wanted).
  DebugLog();
  // Creates the file empty and keeps it open for writing. The log of an earlier run may hold a
  // table the user saved: when the file is not empty it is first renamed to file_name + ".1"
  // (replacing an older one), and when that fails the new lines are appended after a dated
  // separator line, so an earlier log is never emptied. When the file cannot be opened the log
  // falls back to memory, so tracing never fails a command.
  explicit DebugLog(const std::string& file_name);

  void WriteLine(std::string_view line);
  void Flush();
  // Closes the file; when it holds fewer than 4 bytes it is deleted. No-op for a memory log.
  void CloseAndEraseIfTiny();

  // Everything written since creation when the log is kept in memory; empty for a file log.
  std::string MemoryText() const;
  const std::string& file_name() const { return file_name_; }

 private:
  std::string file_name_;
  std::ofstream file_;
  std::ostringstream memory_;
  bool to_file_ = false;
};

}  // namespace pektra
