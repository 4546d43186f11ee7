#include "report/name_list.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace pektra {

void RemoveSavedName(AnalysisState& state, const std::string& file_name) {
  if (state.name_count <= 0) return;
  const std::size_t in_use =
      std::min(static_cast<std::size_t>(state.name_count), state.name_list.size());
  const auto end = state.name_list.begin() + static_cast<std::ptrdiff_t>(in_use);
  if (std::find(state.name_list.begin(), end, file_name) == end) return;

  std::vector<std::string> kept;
  kept.reserve(in_use);
  for (auto name = state.name_list.begin(); name != end; ++name) {
    if (*name != file_name) kept.push_back(std::move(*name));
  }
  state.name_count = static_cast<int>(kept.size());
  state.name_list = std::move(kept);
}

}  // namespace pektra
