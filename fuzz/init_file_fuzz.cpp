// Feeds raw bytes to the init-file reader, checks the state it leaves, then writes the state as an
// init file and reads that back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "init_file_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pektra;
  static AnalysisState* const state = new AnalysisState;
  static AnalysisState* const back = new AnalysisState;
  fuzz::Read(*state, std::string(reinterpret_cast<const char*>(data), size));
  fuzz::CheckRoundTrip(*state, *back);
  return 0;
}
