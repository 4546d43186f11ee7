// Feeds raw bytes to the MCA binary reader, then to the whole type 5 read of a file named x.mca.
#include <cstddef>
#include <cstdint>

#include "standard_format_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pektra::fuzz::CheckStandardReader(pektra::ParseMca, data, size, "x.mca", 4);
  return 0;
}
