#include "report/name_list.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "core/file_names.h"
#include "core/text_input.h"

namespace pektra {

void RemoveSavedName(WorkFiles& files, const std::string& file_name) {
  if (files.name_count <= 0) return;
  const std::size_t in_use =
      std::min(static_cast<std::size_t>(files.name_count), files.name_list.size());
  const auto end = files.name_list.begin() + static_cast<std::ptrdiff_t>(in_use);
  if (std::find(files.name_list.begin(), end, file_name) == end) return;

  std::vector<std::string> kept;
  kept.reserve(in_use);
  for (auto name = files.name_list.begin(); name != end; ++name) {
    if (*name != file_name) kept.push_back(std::move(*name));
  }
  files.name_count = static_cast<int>(kept.size());
  files.name_list = std::move(kept);
}

std::vector<std::string> ReadNameListLines(std::istream& in) {
  std::vector<std::string> names;
  std::string line;
  while (ReadWholeLine(in, line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos) names.push_back(line.substr(start));
  }
  return names;
}

std::string NameListDisplayForm(const std::string& name) {
  std::string own = FileNamePart(name);
  const std::size_t drive = own.find_last_of(':');
  if (drive != std::string::npos) own.erase(0, drive + 1);
  return own;
}

}  // namespace pektra
