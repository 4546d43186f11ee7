// Option lists and help texts in English or Russian.
#pragma once

#include <string>
#include <vector>

namespace pektra {

inline constexpr int kOptionBufferSize = 100;

// `n` negative: `texts` holds |n| English texts. `n` positive: `texts` holds n English texts
// followed by their n Russian counterparts, and the Russian ones are taken when rus_help is set.
// At most 100 texts are kept; texts missing from `texts` are taken as empty.
std::vector<std::string> SetOptionList(int n, const std::vector<std::string>& texts, bool rus_help);

}  // namespace pektra
