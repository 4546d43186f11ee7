#include "spectrum/text_spectrum_lines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>

#include "core/text_input.h"
#include "spectrum/spectrum_readers.h"

namespace pektra {

namespace {

constexpr std::size_t kChunkBytes = 65536;
constexpr char kCtrlZ = '\x1A';  // the end of a DOS text file
// A data line's tokens beyond this many are not looked at: no spectrum holds more channels.
constexpr std::size_t kMaxLineTokens = 16385;

bool Starts(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

bool IsTextAscii(unsigned char c) {
  return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r';
}

// UTF-16 without a byte-order mark: every other byte zero, the bytes between plain ASCII text.
bool LooksLikeUtf16(std::string_view sample) {
  if (sample.size() < 4) return false;
  for (const std::size_t zero_at : {0u, 1u}) {
    bool all = true;
    for (std::size_t i = 0; i + 1 < sample.size() && all; i += 2) {
      const auto zero = static_cast<unsigned char>(sample[i + zero_at]);
      const auto text = static_cast<unsigned char>(sample[i + 1 - zero_at]);
      all = zero == 0 && IsTextAscii(text);
    }
    if (all) return true;
  }
  return false;
}

std::string UnicodeRefusal(const char* encoding) {
  return std::string("Error, the file is ") + encoding +
         " text; save it as UTF-8 or ASCII text and read it again";
}

// Control characters are in no text, whatever its code page (bytes from 0x80 on are letters in
// the 8-bit code pages of comments, so they do not count). Random or compressed bytes hold about
// one in eight; a text file none, or a stray one, which a short file must not be refused for.
bool LooksBinary(std::string_view sample) {
  std::size_t controls = 0;
  for (const char byte : sample) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == 0) return true;
    const bool space = c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    if ((c < 0x20 && !space && byte != kCtrlZ) || c == 0x7F) ++controls;
  }
  return controls * 20 > std::max<std::size_t>(sample.size(), 200);
}

// The unit of the last digit of a number as written: 0.01 for "12.34", 1 for "17"; for the
// exponent forms about that size ("1.2E+02": 12).
double LastDigitUnit(std::string_view token, double value) {
  std::size_t digits = 0, decimals = 0;
  bool point = false, plain = true;
  for (const char c : token) {
    if (c >= '0' && c <= '9') {
      ++digits;
      if (point) ++decimals;
    } else if (c == '.') {
      point = true;
    } else if (!(c == '-' || c == '+') || digits > 0) {
      plain = false;
      break;
    }
  }
  static constexpr double kUnits[] = {1, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 1e-8};
  if (plain && decimals < std::size(kUnits)) return kUnits[decimals];
  if (plain) return std::pow(10.0, -static_cast<double>(decimals));
  return std::fabs(value) *
         std::pow(10.0, 1.0 - static_cast<double>(std::max<std::size_t>(digits, 1)));
}

std::string ShortNumber(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, result.ptr);
}

std::string LineNote(int line_number, const std::string& text) {
  return "Error in line " + std::to_string(line_number) + ": " + text;
}

std::string NotANumber(int line_number, std::string_view token) {
  std::string text(1, '"');
  text += ShownToken(token);
  text += "\" is not a number";
  return LineNote(line_number, text);
}

std::string Counted(int n, const char* one, const char* many) {
  return std::to_string(n) + (n == 1 ? one : many);
}

}  // namespace

std::string ShownToken(std::string_view token) {
  constexpr std::size_t kShown = 24;
  std::string shown;
  for (const char c : token.substr(0, kShown)) {
    shown.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  }
  if (token.size() > kShown) shown += "...";
  return shown;
}

std::string JoinNotes(const std::string& first, const std::string& second) {
  if (first.empty()) return second;
  if (second.empty()) return first;
  return first + "\n" + second;
}

bool TextSpectrumLines::Fill() {
  if (end_) return false;
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(position_));
  position_ = 0;
  const std::size_t old_size = buffer_.size();
  buffer_.resize(old_size + kChunkBytes);
  in_.read(buffer_.data() + old_size, static_cast<std::streamsize>(kChunkBytes));
  const auto got = static_cast<std::size_t>(in_.gcount());
  buffer_.resize(old_size + got);
  if (in_.bad()) bad_ = true;
  if (got == 0 || in_.bad()) end_ = true;
  return got > 0;
}

std::string TextSpectrumLines::CheckText() {
  while (buffer_.size() < kTextSampleBytes && Fill()) {
  }
  if (bad_) return {};
  const std::string_view bytes(buffer_.data(), buffer_.size());
  if (Starts(bytes, std::string_view("\0\0\xFE\xFF", 4)) ||
      Starts(bytes, std::string_view("\xFF\xFE\0\0", 4))) {
    return UnicodeRefusal("UTF-32");
  }
  if (Starts(bytes, "\xFE\xFF") || Starts(bytes, "\xFF\xFE")) return UnicodeRefusal("UTF-16");
  if (Starts(bytes, "\xEF\xBB\xBF")) position_ = 3;
  const std::string_view sample = bytes.substr(position_, kTextSampleBytes);
  if (LooksLikeUtf16(sample)) return UnicodeRefusal("UTF-16");
  if (LooksBinary(sample)) return reader_messages::kNotText;
  return {};
}

bool TextSpectrumLines::Next(std::string& line) {
  std::size_t searched = position_;
  for (;;) {
    const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(searched);
    const auto stop =
        std::find_if(begin, buffer_.end(), [](char c) { return c == '\n' || c == kCtrlZ; });
    const std::size_t at = static_cast<std::size_t>(stop - buffer_.begin());
    if (at - position_ > kMaxTextLineBytes) {
      problem_ = LineNote(line_number_ + 1, "the line is longer than " +
                                                std::to_string(kMaxTextLineBytes) + " characters");
      return false;
    }
    if (stop == buffer_.end()) {
      searched = buffer_.size() - position_;  // Fill moves the unread bytes to the front
      if (Fill()) {
        continue;
      }
      if (position_ == buffer_.size()) return false;  // nothing after the last line end
    }
    const std::size_t end = std::min(at, buffer_.size());
    line.assign(buffer_.data() + position_, end - position_);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (end < buffer_.size() && buffer_[end] == kCtrlZ) {
      end_ = true;  // nothing after a Ctrl-Z is text
      buffer_.clear();
      position_ = 0;
      if (line.empty()) return false;
    } else {
      position_ = std::min(end + 1, buffer_.size());
    }
    ++line_number_;
    return true;
  }
}

bool SpectrumDataLines::Refuse(std::string message) {
  refusal_ = std::move(message);
  return false;
}

bool SpectrumDataLines::Next(std::vector<double>& numbers) {
  numbers.clear();
  if (ended_ || !refusal_.empty()) return false;
  while (lines_.Next(line_)) {
    if (line_.empty() || line_.front() == '*') continue;
    const std::string_view data = std::string_view(line_).substr(0, line_.find('*'));
    SplitTokens(data, tokens_, kMaxLineTokens);
    if (tokens_.empty()) continue;
    // A "/" ends the data; before the data a line beginning with "/" (a folder name, say) is a
    // header like any other.
    if (data_begun_ && tokens_.front().front() == '/') break;
    const std::optional<double> first = StrictNumber(tokens_.front());
    if (!first) {
      // Text before the data is a header; inside the data it refuses the file (it could stand for
      // a lost count), but only once data follows it: text after the data is a trailer.
      if (!data_begun_) {
        ++header_lines_;
      } else {
        if (trailing_lines_++ == 0) {
          first_text_line_ = lines_.line_number();
          first_text_token_ = std::string(tokens_.front());
        }
      }
      continue;
    }
    if (trailing_lines_ > 0) {
      return Refuse(NotANumber(first_text_line_, first_text_token_));
    }
    data_begun_ = true;
    for (std::size_t k = 0; k < tokens_.size(); ++k) {
      if (tokens_[k].front() == '/') {  // the numbers before it are the last ones
        tokens_.resize(k);
        ended_ = true;
        break;
      }
      const std::optional<double> value = k == 0 ? first : StrictNumber(tokens_[k]);
      if (!value) {
        return Refuse(NotANumber(lines_.line_number(), tokens_[k]));
      }
      if (!(std::fabs(*value) <= kMaxSpectrumNumber)) {
        return Refuse(LineNote(lines_.line_number(),
                               ShownToken(tokens_[k]) + " is out of range (at most 1e15 in size)"));
      }
      numbers.push_back(*value);
    }
    return true;
  }
  ended_ = true;
  if (!lines_.problem().empty()) return Refuse(lines_.problem());
  return false;
}

std::string XStepCheck::Check(double x, std::string_view token, int index, int line_number) {
  const double unit = LastDigitUnit(token, x);
  std::string problem;
  if (started_) {
    const int channels = index - previous_index_;
    const double step = x - previous_x_;
    const bool averaged = previous_index_ > first_index_;
    const double average =
        averaged ? (previous_x_ - first_x_) / (previous_index_ - first_index_) : 0.0;
    const bool fits = step > 0 && (!averaged || std::fabs(step - channels * average) <
                                                    0.5 * average + unit + previous_unit_);
    if (!fits) {
      const std::string rule =
          averaged ? "X must grow by one step (" + ShortNumber(average) + ") per line"
                   : "X must grow by one step per line";
      problem = LineNote(
          line_number, "X goes from " + previous_token_ + " to " + ShownToken(token) + "; " + rule);
    }
  } else {
    started_ = true;
    first_x_ = x;
    first_index_ = index;
  }
  previous_x_ = x;
  previous_index_ = index;
  previous_unit_ = unit;
  previous_token_ = ShownToken(token);
  return problem;
}

std::string SpectrumDataLines::SkippedNote() const {
  std::string note;
  if (header_lines_ > 0)
    note = Counted(header_lines_, " header line skipped", " header lines skipped");
  if (trailing_lines_ > 0) {
    note = JoinNotes(note, Counted(trailing_lines_, " text line after the data skipped",
                                   " text lines after the data skipped"));
  }
  return note;
}

}  // namespace pektra
