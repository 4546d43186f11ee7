#include "core/option_list.h"

#include <algorithm>
#include <cstdlib>

namespace pektra {

std::vector<std::string> SetOptionList(int n, const std::vector<std::string>& texts,
                                       bool rus_help) {
  const long long given = std::llabs(static_cast<long long>(n));
  const long long count = std::min<long long>(given, kOptionBufferSize);
  // The Russian texts follow the n English ones. They are kept in UTF-8, so no code-page
  // conversion is needed before display.
  const long long offset = (n > 0 && rus_help) ? given : 0;
  std::vector<std::string> options;
  options.reserve(static_cast<std::size_t>(count));
  for (long long i = 0; i < count; ++i) {
    const long long k = offset + i;
    options.push_back(k < static_cast<long long>(texts.size()) ? texts[static_cast<std::size_t>(k)]
                                                               : std::string());
  }
  return options;
}

}  // namespace pektra
