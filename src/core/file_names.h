// File names: accepts both "/" and "\" as folder separators, since names come from init files
// and lists written on other systems.
#pragma once

#include <string>
#include <string_view>

namespace pektra {

// The file's name without folder and extension: everything up to and including the last folder
// separator goes, then the last "." of the name with what follows it. "C:\data\spec.dat" and
// "/data/spec.dat" both give "spec"; "/data/a.b/spec" gives "spec".
std::string BaseFileName(std::string_view path);

// The folder part of a path including its last separator ("" when there is none).
std::string DirectoryPart(std::string_view path);

// The part after the last separator.
std::string FileNamePart(std::string_view path);

// Deletes the file when it is shorter than 4 bytes. Returns true when it was deleted.
bool EraseIfTiny(const std::string& file_name);

// Whether a regular file (or anything that can be opened) exists at the path.
bool FileExists(const std::string& file_name);

}  // namespace pektra
