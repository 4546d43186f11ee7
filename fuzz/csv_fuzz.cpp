// Feeds raw bytes to the CSV reader, then to the whole type 5 read of a file named x.csv.
#include <cstddef>
#include <cstdint>

#include "standard_format_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pektra::fuzz::CheckStandardReader(pektra::ParseCsv, data, size, "x.csv", 2);
  return 0;
}
