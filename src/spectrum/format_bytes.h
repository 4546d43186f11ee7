// Little-endian fields of a binary file held in memory, read with their bounds checked, and the
// small conversions the standard spectrum readers share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pektra::format_bytes {

// The largest count a standard reader accepts: more is a damaged file, not a measurement.
inline constexpr double kLargestCount = 1e15;

// The text without leading and trailing blanks, TABs and carriage returns.
inline std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The `size` bytes at `offset`, when the text holds them all.
inline bool Holds(std::string_view bytes, std::uint64_t offset, std::uint64_t size) {
  return offset <= bytes.size() && size <= bytes.size() - offset;
}

inline std::uint64_t Unsigned(std::string_view bytes, std::size_t offset, int size) {
  std::uint64_t value = 0;
  for (int k = size - 1; k >= 0; --k) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(k)]);
  }
  return value;
}

// nullopt when the field lies (partly) beyond the end.
inline std::optional<std::uint16_t> U16(std::string_view bytes, std::uint64_t offset) {
  if (!Holds(bytes, offset, 2)) return std::nullopt;
  return static_cast<std::uint16_t>(Unsigned(bytes, static_cast<std::size_t>(offset), 2));
}
inline std::optional<std::uint32_t> U32(std::string_view bytes, std::uint64_t offset) {
  if (!Holds(bytes, offset, 4)) return std::nullopt;
  return static_cast<std::uint32_t>(Unsigned(bytes, static_cast<std::size_t>(offset), 4));
}
inline std::optional<std::uint64_t> U64(std::string_view bytes, std::uint64_t offset) {
  if (!Holds(bytes, offset, 8)) return std::nullopt;
  return Unsigned(bytes, static_cast<std::size_t>(offset), 8);
}

// An IEEE single-precision value from its bits.
double FloatFromBits(std::uint32_t bits);
// The PDP-11 single-precision value of four bytes (two little-endian words, the high one first).
double Pdp11Float(std::uint32_t first_word, std::uint32_t second_word);
// "2002-11-07 18:30:00" of a calendar date and time; "" when any field is out of its range.
std::string DateTimeText(int year, int month, int day, int hour, int minute, int second);
// The date of a count of days since 1970-01-01.
void CivilFromDays(long long days, int& year, int& month, int& day);
// Whether the bytes look like text: no NUL byte in the first 4096.
bool LooksLikeText(std::string_view bytes);
// The bytes without a leading UTF-8 byte-order mark.
std::string_view WithoutBom(std::string_view bytes);

}  // namespace pektra::format_bytes
