// pektra-batch: analyses spectra without a window, the way the window would with the same
// settings: init file, reading, marking, the fit of every interval, the summary table.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pektra {

// Runs the tool with its command-line arguments (without the program name). The line of every
// spectrum saved and --help go to `out`; messages, failures and the count of the run to `err`.
// Returns the exit status: 0 when every spectrum was analysed and its summary table written, 1
// when some failed, 2 for a usage error or spectra that would share a summary file.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace pektra
