// pektra-batch's summary files: where each spectrum's table goes, and the names that clash.
#pragma once

#include <string>
#include <vector>

namespace pektra {

// Where the summary table of `spectrum` is saved: the name the window proposes (spec.dat gives
// specdat.res), beside the spectrum, or in `out_dir` when that is not empty.
std::string SummaryPath(const std::string& out_dir, const std::string& spectrum);

// One line for every spectrum whose summary table would be the same file as an earlier
// spectrum's ("a/x.txt and b/x.txt would both be saved as o/xtxt.res"), or would replace one of
// `inputs`, the files the run reads. Names are compared as files: "a/../a/x.txt" is "a/x.txt".
// Empty when every spectrum has a summary file of its own.
std::vector<std::string> SummaryNameClashes(const std::string& out_dir,
                                            const std::vector<std::string>& spectra,
                                            const std::vector<std::string>& inputs);

}  // namespace pektra
