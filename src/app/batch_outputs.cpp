#include "app/batch_outputs.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "core/file_names.h"
#include "report/result_table.h"

namespace pektra {

namespace {

// One spelling for one file: absolute, without "." and "..", links of existing folders resolved.
std::string SameFileKey(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path path = fs::absolute(name, error);
  if (error) path = name;
  const fs::path resolved = fs::weakly_canonical(path, error);
  return (error ? path.lexically_normal() : resolved).string();
}

}  // namespace

std::string SummaryPath(const std::string& out_dir, const std::string& spectrum) {
  const std::string proposed = ProposedSummaryName(spectrum);
  if (out_dir.empty()) return proposed;
  return (std::filesystem::path(out_dir) / FileNamePart(proposed)).string();
}

std::vector<std::string> SummaryNameClashes(const std::string& out_dir,
                                            const std::vector<std::string>& spectra,
                                            const std::vector<std::string>& inputs) {
  std::map<std::string, std::string> input_named;  // file -> the name it was given by
  for (const std::string& input : inputs) input_named.emplace(SameFileKey(input), input);
  std::map<std::string, std::size_t> saved_by;  // summary file -> the first spectrum saved there
  std::vector<std::string> clashes;
  for (std::size_t k = 0; k < spectra.size(); ++k) {
    const std::string target = SummaryPath(out_dir, spectra[k]);
    const std::string key = SameFileKey(target);
    const auto [first, fresh] = saved_by.emplace(key, k);
    const auto input = input_named.find(key);
    if (!fresh) {
      clashes.push_back(spectra[first->second] + " and " + spectra[k] + " would both be saved as " +
                        target);
    } else if (input != input_named.end()) {
      clashes.push_back("the summary table of " + spectra[k] + " would replace the input file " +
                        input->second);
    }
  }
  return clashes;
}

}  // namespace pektra
