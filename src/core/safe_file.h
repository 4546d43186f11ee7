// Writing result and settings files whole or not at all: the content goes to a temporary file in
// the same folder, which is renamed over the target only when everything was written.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace pektra {

// Calls `write` with a stream, writes what it wrote to a temporary file beside `file_name` and
// renames that over `file_name`. Returns false (and leaves any old file untouched) when the target
// is a folder or write-protected (no write permission bit set, or no write access for us), the
// temporary file cannot be created, `write` fails (a bad stream or an exception), a write fails
// or the rename fails. `why`, when given, then receives the reason in a few words, as it follows
// "could not be written: " in a message: "no such folder", "permission denied", "disk full",
// "<name> is a directory", "<name> is write-protected" (<name> without its folder), ...
//
// Temporary files are named ".pektra-<process id>-<n>.tmp", short enough for any target name the
// file system allows. Before creating one, leftovers of that form in the folder are removed when
// the process that wrote them is gone and they are over a minute old, or when they are over a day
// old (a write takes a moment; these were left by a killed program).
bool WriteFileAtomically(const std::string& file_name,
                         const std::function<void(std::ostream&)>& write,
                         std::string* why = nullptr);

// The reason of a failed write for a system error number (errno), as above: "no such folder",
// "permission denied", "disk full", "is a directory", "read-only file system", "name too long",
// otherwise the system's own text.
std::string WriteErrorReason(int error_number);

}  // namespace pektra
