// Files for tests: a private temporary folder, writing bytes, and the shared reference data.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pektra::testing {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of a file in the folder, as text.
  std::string File(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// Writes `bytes` to the file, replacing it.
void WriteFile(const std::string& file_name, std::string_view bytes);
// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& file_name);

// The path of a file of the shared reference data, or "" when the folder is absent (the test
// then skips with a message).
std::string SharedTestData(std::string_view relative_path);

}  // namespace pektra::testing
