// Feeds raw bytes to the IAEA / ORTEC ASCII SPE reader, then to the whole type 5 read of a file
// named x.spe.
#include <cstddef>
#include <cstdint>

#include "standard_format_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pektra::fuzz::CheckStandardReader(pektra::ParseSpe, data, size, "x.spe", 2);
  return 0;
}
