#include "core/file_names.h"

#include <filesystem>
#include <system_error>

namespace pektra {

namespace {

// Index just past the last "/" or "\" (0 when there is none).
std::size_t NameStart(std::string_view path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

}  // namespace

std::string BaseFileName(std::string_view path) {
  // The extension is taken from the file's own name, whatever its length: a dot in a folder name
  // ("/data/a.b/spec") or a longer extension ("spec.data") must not eat into the name.
  std::string name(path.substr(NameStart(path)));
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string DirectoryPart(std::string_view path) {
  return std::string(path.substr(0, NameStart(path)));
}

std::string FileNamePart(std::string_view path) {
  return std::string(path.substr(NameStart(path)));
}

bool EraseIfTiny(const std::string& file_name) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file_name, error);
  if (error || size >= 4) return false;
  return std::filesystem::remove(file_name, error) && !error;
}

bool FileExists(const std::string& file_name) {
  if (file_name.empty()) return false;
  std::error_code error;
  const auto status = std::filesystem::status(file_name, error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace pektra
