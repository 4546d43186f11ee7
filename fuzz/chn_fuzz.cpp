// Feeds raw bytes to the ORTEC CHN reader, then to the whole type 5 read of a file named x.chn.
#include <cstddef>
#include <cstdint>

#include "standard_format_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pektra::fuzz::CheckStandardReader(pektra::ParseChn, data, size, "x.chn", 4);
  return 0;
}
