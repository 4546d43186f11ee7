#include "core/debug_log.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/file_names.h"

namespace pektra {

namespace {

// Moves a non-empty log of an earlier run to file_name + ".1". False when one is there and could
// not be moved.
bool MovePreviousLogAside(const std::string& file_name) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file_name, error);
  if (error || size == 0) return true;  // nothing to keep (or no file at all)
  std::filesystem::rename(file_name, file_name + ".1", error);
  return !error;
}

std::string RunSeparator() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  const std::size_t length =
      std::strftime(text, sizeof text, "* ---- new run %Y-%m-%d %H:%M:%S ----", &local);
  return std::string(text, length);
}

}  // namespace

DebugLog::DebugLog() = default;

DebugLog::DebugLog(const std::string& file_name) : file_name_(file_name) {
  const bool moved = MovePreviousLogAside(file_name);
  file_.open(file_name,
             std::ios::out | (moved ? std::ios::trunc : std::ios::app) | std::ios::binary);
  to_file_ = file_.is_open();
  if (to_file_ && !moved) {
    WriteLine(RunSeparator());
    Flush();
  }
}

void DebugLog::WriteLine(std::string_view line) {
  if (to_file_) {
    file_.write(line.data(), static_cast<std::streamsize>(line.size()));
    file_.put('\n');
  } else {
    memory_.write(line.data(), static_cast<std::streamsize>(line.size()));
    memory_.put('\n');
  }
}

void DebugLog::Flush() {
  if (to_file_) file_.flush();
}

void DebugLog::CloseAndEraseIfTiny() {
  if (!to_file_) return;
  file_.close();
  to_file_ = false;
  EraseIfTiny(file_name_);
}

std::string DebugLog::MemoryText() const { return memory_.str(); }

}  // namespace pektra
