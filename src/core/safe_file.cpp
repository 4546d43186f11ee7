#include "core/safe_file.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace pektra {

namespace {

// A name beside `file_name` that no file has yet; "" when none was found.
std::string FreeTemporaryName(const std::string& file_name) {
  static std::atomic<unsigned> counter{0};
  const auto ticks =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = file_name + ".tmp-" + std::to_string((ticks + counter++) % 1000000007);
    std::error_code error;
    if (!std::filesystem::exists(name, error) && !error) return name;
  }
  return {};
}

void RemoveQuietly(const std::string& name) {
  std::error_code ignored;
  std::filesystem::remove(name, ignored);
}

}  // namespace

bool WriteFileAtomically(const std::string& file_name,
                         const std::function<void(std::ostream&)>& write) {
  const std::string temporary = FreeTemporaryName(file_name);
  if (temporary.empty()) return false;
  try {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      RemoveQuietly(temporary);
      return false;
    }
    write(out);
    out.flush();
    const bool written = static_cast<bool>(out);
    out.close();
    if (!written || out.fail()) {
      RemoveQuietly(temporary);
      return false;
    }
  } catch (...) {
    RemoveQuietly(temporary);
    return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, file_name, error);
  if (error) {
    RemoveQuietly(temporary);
    return false;
  }
  return true;
}

}  // namespace pektra
