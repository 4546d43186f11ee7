// Readers of the four spectrum file types. Each reader works on a stream (the path versions open
// the file) and changes the spectrum only when it succeeds: a failed read leaves every channel and
// bound as it was. The outcome carries the message the user is to see.
#pragma once

#include <istream>
#include <string>

#include "core/result.h"
#include "spectrum/spectrum.h"

namespace pektra {

struct ReadOptions {
  bool skip_header = false;    // binary types: the first 1024 bytes are a header
  bool reverse_bytes = false;  // type 2: exchange the 16-bit halves of every value
  bool start_at_a1 = true;     // type 4: store from the given start channel, not from the first X
};

// Type 1: unsigned 16-bit little-endian words; word k is channel k; at most 16384 words are taken,
// header words included. Channel 1 is always set to 0.
Outcome ReadBinary16(TSpectrum& spectrum, std::istream& in, const ReadOptions& options);
// Type 2: signed 32-bit little-endian values, otherwise as type 1.
Outcome ReadBinary32(TSpectrum& spectrum, std::istream& in, const ReadOptions& options);
// The text types read only plain text (ASCII, UTF-8 or an 8-bit code page): binary bytes and
// UTF-16/32 text are refused, a UTF-8 byte-order mark is passed over. Lines whose first token is
// not a number are headers before the data (skipped, with a note) and refuse the file inside it;
// any other token that is not a number, or a number beyond 1e15 in size, refuses the file with its
// line number; a token beginning with "/" ends the data. Reading stops at channel 16384.
//
// Type 3: counts in free field format from channel `start` on.
Outcome ReadFreeField(TSpectrum& spectrum, std::istream& in, int start);
// Type 4: lines of X, Y and an optional error, from channel `start` (or from the first X). X must
// step through the channels, one line for each (see XStepCheck).
Outcome ReadXY(TSpectrum& spectrum, std::istream& in, int start, const ReadOptions& options);

// Opens spectrum.file_name and reads it as `type` (1..5); the text types start at `start`; type 5
// is ReadStandardSpectrum. Types 1..4 leave spectrum.facts empty.
// The file is opened without waiting (a FIFO without writer would block) and only a regular file
// is read: anything else gives "<name> is not a regular file". A file that cannot be opened gives
// the name followed by ": opening failure; ", LF CR and the system's reason ("permission
// denied", "no such file", ...); a read error likewise with ": reading failure; ".
Outcome ReadSpectrumFile(TSpectrum& spectrum, int type, int start, const ReadOptions& options);

}  // namespace pektra

namespace pektra::reader_messages {
inline constexpr const char* kOpeningFailure = ": opening failure; ";
inline constexpr const char* kReadingFailure = ": reading failure; ";
inline constexpr const char* kNotRegularFile = " is not a regular file";
inline constexpr const char* kNotText = "not a text file; choose a binary type";
inline constexpr const char* kNoChannelCounts = "Warning, no channel-counts spectrum";
// Text files holding more channels than the arrays: reading stops at channel 16384.
inline constexpr const char* kCutAtLastChannel =
    "Warning, the file holds more than 16384 channels; reading stopped at channel 16384";
// X,Y files stored from their first X, when that X is no channel of 1..16384.
inline constexpr const char* kFirstXOutside =
    "Error, the first X is not a channel of 1..16384; check \" Starting channel = 1\"";
}  // namespace pektra::reader_messages
