// The spectrum name list: the spectra of a series still to be processed.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "core/work_files.h"

namespace pektra {

// Removes every entry equal to `file_name` (exact, case-sensitive) from the names in use, keeping
// the others in their order; name_count becomes the number kept. A list without the name does not
// change.
void RemoveSavedName(WorkFiles& files, const std::string& file_name);

// The most names the window's list holds.
inline constexpr int kMaxListNames = 200;

// The names of a list file, one a line, in their order: leading blanks and tabs go, empty lines
// are skipped, the rest of a line is the name as written. Every name of the file is returned.
std::vector<std::string> ReadNameListLines(std::istream& in);

// A name as the lists show it: without its folder ("C:\spectra\a1.spe" gives "a1.spe").
std::string NameListDisplayForm(const std::string& name);

}  // namespace pektra
