#include "report/name_list.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

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

}  // namespace pektra
