// Feeds raw bytes to the N42.42 XML (pugixml) reader, then to the whole type 5 read of a file named
// x.n42.
#include <cstddef>
#include <cstdint>

#include "standard_format_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pektra::fuzz::CheckStandardReader(pektra::ParseN42, data, size, "x.n42", 0);
  return 0;
}
