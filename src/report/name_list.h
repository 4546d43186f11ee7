// The spectrum name list: the spectra of a series still to be processed.
#pragma once

#include <string>

#include "core/work_files.h"

namespace pektra {

// Removes every entry equal to `file_name` (exact, case-sensitive) from the names in use, keeping
// the others in their order; name_count becomes the number kept. A list without the name does not
// change.
void RemoveSavedName(WorkFiles& files, const std::string& file_name);

}  // namespace pektra
