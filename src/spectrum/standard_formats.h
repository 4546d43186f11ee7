// Type 5, "Standard format (detected)": the spectrum files laboratories have, recognised from the
// content first (magic bytes, "$SPEC_ID", "<?xml") and the file name's extension second. Every
// reader parses the whole file into a StandardSpectrum before the spectrum is touched: a file
// that fails anywhere leaves the spectrum as it was and gives a message naming the file and the
// problem. Nothing is allocated beyond what the file's own bytes could hold.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "spectrum/spectrum.h"

namespace pektra {

enum class StandardFormat { kNone, kSpe, kChn, kCnf, kN42, kCsv, kMca };

// A spectrum file's content, channel by channel as the file numbers them.
struct StandardSpectrum {
  std::vector<double> counts;  // counts[k] is the file's channel first_channel + k (0-based)
  std::vector<double> errors;  // empty, or one error per count
  long first_channel = 0;
  SpectrumFileFacts facts;
  std::string note;  // what the user should know although the file was read
};

// The largest file the standard readers take: far beyond any spectrum of 16384 channels, even as
// XML with many spectra.
inline constexpr std::size_t kMaxStandardFileBytes = 64u << 20;

// The format's name as the messages give it ("ORTEC CHN").
const char* StandardFormatName(StandardFormat format);
// The format of `bytes` (the whole file), from the content or else from the name's extension;
// kNone when neither tells.
StandardFormat DetectStandardFormat(std::string_view bytes, std::string_view file_name);

// The readers of the formats; each fills `out` and returns a failure naming the problem (the
// file's name is added by ReadStandardSpectrum).
// IAEA / ORTEC ASCII: "$SPEC_ID:", "$DATE_MEA:", "$MEAS_TIM:", "$DATA:", "$MCA_CAL:", "$ENER_FIT:".
Outcome ParseSpe(std::string_view bytes, StandardSpectrum& out);
// ORTEC CHN: 32-byte header, 32-bit counts, an optional trailer with the energy calibration.
Outcome ParseChn(std::string_view bytes, StandardSpectrum& out);
// The MCA binary: a 128-byte header (live and real time in hundredths of a second at bytes 48
// and 52) and 8192 little-endian signed 32-bit counts, exactly.
Outcome ParseMca(std::string_view bytes, StandardSpectrum& out);
// Canberra CAM / CNF: a table of blocks; the acquisition block (times, date, energy calibration)
// and the data block (counts) are read.
Outcome ParseCnf(std::string_view bytes, StandardSpectrum& out);
// ANSI N42.42 XML (the 2006 and the 2011 forms): the first spectrum of the file.
Outcome ParseN42(std::string_view bytes, StandardSpectrum& out);
// Two or three columns (channel or energy, counts[, error]) separated by commas, with an
// optional header line. Energies instead of channels give the energy calibration.
Outcome ParseCsv(std::string_view bytes, StandardSpectrum& out);

// Detects and parses a whole file's bytes; the message of a failure begins with the file name.
Outcome ParseStandardSpectrum(std::string_view bytes, const std::string& file_name,
                              StandardSpectrum& out);
// Reads the stream whole (at most kMaxStandardFileBytes) and stores it in `spectrum`: the file's
// channel i becomes channel i + 1, channels before the first one read are 0, reading stops at
// channel 16384 with a warning; a1..a2 are the channels read; the facts are the file's.
Outcome ReadStandardSpectrum(TSpectrum& spectrum, std::istream& in, const std::string& file_name);

}  // namespace pektra

namespace pektra::reader_messages {
inline constexpr const char* kNotStandard =
    ": not a spectrum file of a known format; type 5 reads IAEA / ORTEC ASCII SPE, ORTEC CHN, "
    "Canberra CAM / CNF, ANSI N42.42 XML, CSV (channel or energy, counts [, error]) and the MCA "
    "binary (128-byte header, 8192 32-bit counts)";
inline constexpr const char* kTooLarge = "the file is larger than 64 MB";
}  // namespace pektra::reader_messages
