#include "spectrum/spectrum_readers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/arithmetic.h"
#include "core/input_file.h"
#include "spectrum/standard_formats.h"

namespace pektra {

namespace {

constexpr int kHeaderBytes = 1024;

std::uint32_t ByteAt(const std::vector<char>& bytes, std::size_t i) {
  return static_cast<unsigned char>(bytes[i]);
}

// Word k (0-based) of a little-endian file, decoded from the bytes so that the host's own byte
// order does not matter.
double Unsigned16At(const std::vector<char>& bytes, std::size_t k, bool /*reverse*/) {
  const std::size_t i = 2 * k;
  return static_cast<double>(ByteAt(bytes, i) | (ByteAt(bytes, i + 1) << 8));
}

double Signed32At(const std::vector<char>& bytes, std::size_t k, bool reverse) {
  const std::size_t i = 4 * k;
  std::uint32_t word = ByteAt(bytes, i) | (ByteAt(bytes, i + 1) << 8) |
                       (ByteAt(bytes, i + 2) << 16) | (ByteAt(bytes, i + 3) << 24);
  if (reverse) word = SwapHalves(word);
  return static_cast<double>(static_cast<std::int32_t>(word));
}

using WordDecoder = double (*)(const std::vector<char>&, std::size_t, bool);

// The common part of the two binary types: at most 16384 records, header records included, are
// taken in one read; a trailing partial record is ignored.
Outcome ReadBinary(TSpectrum& spectrum, std::istream& in, const ReadOptions& options,
                   int record_bytes, WordDecoder decode) {
  if (!in) return Outcome::Failure({});
  std::vector<char> bytes(static_cast<std::size_t>(kMaxChannels) * record_bytes);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return Outcome::Failure({});
  const int records = static_cast<int>(in.gcount()) / record_bytes;
  const int header_records = options.skip_header ? kHeaderBytes / record_bytes : 0;
  const int words = MaxI(0, records - header_records);

  for (int k = 1; k <= words; ++k) {
    const double value =
        decode(bytes, static_cast<std::size_t>(header_records + k - 1), options.reverse_bytes);
    spectrum.counts[k] = value;
    spectrum.errors[k] = std::sqrt(MaxD(1.0, value));
  }
  spectrum.a1 = 1;
  spectrum.a2 = MaxI(1, words);
  // Channel 1 of a binary spectrum is always zero: many analysers keep live time or other
  // bookkeeping there.
  spectrum.counts[1] = 0.0;
  spectrum.errors[1] = 1.0;
  return Outcome::Success();
}

}  // namespace

Outcome ReadBinary16(TSpectrum& spectrum, std::istream& in, const ReadOptions& options) {
  return ReadBinary(spectrum, in, options, 2, Unsigned16At);
}

Outcome ReadBinary32(TSpectrum& spectrum, std::istream& in, const ReadOptions& options) {
  return ReadBinary(spectrum, in, options, 4, Signed32At);
}

namespace {

Outcome ReadFrom(TSpectrum& spectrum, std::istream& in, int type, int start,
                 const ReadOptions& options) {
  switch (type) {
    case kBinary16:
      return ReadBinary16(spectrum, in, options);
    case kBinary32:
      return ReadBinary32(spectrum, in, options);
    case kFreeField:
      return ReadFreeField(spectrum, in, start);
    default:
      return ReadXY(spectrum, in, start, options);
  }
}

}  // namespace

Outcome ReadSpectrumFile(TSpectrum& spectrum, int type, int start, const ReadOptions& options) {
  if (!InRange(type, kBinary16, kStandard)) return Outcome::Failure({});
  const std::string& name = spectrum.file_name;
  InputFile file(name);
  if (file.status() == InputFile::Status::kNotRegular) {
    return Outcome::Failure(name + reader_messages::kNotRegularFile);
  }
  if (file.status() == InputFile::Status::kFailed) {
    return Outcome::Failure(name + reader_messages::kOpeningFailure + "\n\r" + file.reason());
  }
  Outcome outcome = type == kStandard ? ReadStandardSpectrum(spectrum, file.stream(), name)
                                      : ReadFrom(spectrum, file.stream(), type, start, options);
  // The other types know nothing of times, dates or calibrations: none is left from before.
  if (outcome.ok && type != kStandard) spectrum.facts = {};
  if (!outcome.ok && outcome.message.empty() && !file.reason().empty()) {
    outcome.message = name + reader_messages::kReadingFailure + "\n\r" + file.reason();
  }
  return outcome;
}

}  // namespace pektra
