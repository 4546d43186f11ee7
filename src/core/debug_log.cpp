#include "core/debug_log.h"

#include "core/file_names.h"

namespace pektra {

DebugLog::DebugLog() = default;

DebugLog::DebugLog(const std::string& file_name) : file_name_(file_name) {
  file_.open(file_name, std::ios::out | std::ios::trunc | std::ios::binary);
  to_file_ = file_.is_open();
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
