// Feeds raw bytes to the Canberra CAM / CNF reader, then to the whole type 5 read of a file named
// x.cnf.
#include <cstddef>
#include <cstdint>

#include "standard_format_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pektra::fuzz::CheckStandardReader(pektra::ParseCnf, data, size, "x.cnf", 4);
  return 0;
}
