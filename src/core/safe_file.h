// Writing result and settings files whole or not at all: the content goes to a temporary file in
// the same folder, which is renamed over the target only when everything was written.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace pektra {

// Calls `write` with a stream on a temporary file beside `file_name`, then renames it over
// `file_name`. Returns false (and leaves any old file untouched) when the file cannot be created,
// a write fails or the rename fails.
bool WriteFileAtomically(const std::string& file_name,
                         const std::function<void(std::ostream&)>& write);

}  // namespace pektra
