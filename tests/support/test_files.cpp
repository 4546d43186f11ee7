#include "support/test_files.h"

#include <fstream>
#include <random>
#include <sstream>

namespace pektra::testing {

TempDir::TempDir() {
  std::random_device device;
  std::mt19937_64 generator(device());
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("pektra-test-" + std::to_string(generator()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const { return (path_ / name).string(); }

void WriteFile(const std::string& file_name, std::string_view bytes) {
  std::ofstream out(file_name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string SharedTestData(std::string_view relative_path) {
  const std::filesystem::path path = std::filesystem::path(PEKTRA_SHARED_TESTDATA) / relative_path;
  std::error_code error;
  return std::filesystem::exists(path, error) ? path.string() : std::string();
}

}  // namespace pektra::testing
