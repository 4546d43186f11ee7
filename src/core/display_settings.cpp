#include "core/display_settings.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "core/arithmetic.h"
#include "core/number_format.h"
#include "core/safe_file.h"
#include "core/text_input.h"

namespace pektra {

namespace {

// Reads the next data line and, when it holds `key`, the number written before the key into
// `value`. A line without its key, or with a value that cannot be read, changes nothing.
bool ReadKeyedValue(std::istream& in, std::string_view key, double& value) {
  const std::string line = ReadDataLine(in);
  const std::size_t at = line.find(key);
  if (at == std::string::npos) return false;
  const std::string_view text = std::string_view(line).substr(0, at);
  // A line with the key but no value keeps the value as it was, as an unreadable one does.
  if (text.find_first_not_of(" \t") == std::string_view::npos) return false;
  int readable = 1;
  const double number = EntryToReal(text, readable);
  if (readable == 0) return false;
  value = number;
  return true;
}

}  // namespace

void ReadDisplaySettings(std::istream& in, DisplaySettings& settings) {
  settings.settings_title = ReadDataLine(in);
  double value = 0.0;
  if (ReadKeyedValue(in, "*scrsize", value)) settings.screen_scale = std::clamp(value, 0.64, 1.56);
  if (ReadKeyedValue(in, "*fntsize", value)) {
    settings.font_size = RoundToInt(std::clamp(value, 8.0, 14.0));
  }
  if (ReadKeyedValue(in, "*RusHelp", value)) settings.rus_help = std::clamp(value, 0.0, 1.0) == 1.0;
}

bool ReadDisplaySettings(const std::string& file_name, DisplaySettings& settings) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return false;
  ReadDisplaySettings(in, settings);
  return true;
}

void WriteDisplaySettings(std::ostream& out, const DisplaySettings& settings) {
  out << settings.settings_title << '\n';
  out << FormatFixed(10, 4, settings.screen_scale) << " *scrsize\n";
  out << FormatFixed(10, 0, settings.font_size) << " *fntsize\n";
  out << "         " << (settings.rus_help ? '1' : '0') << " *RusHelp\n";
}

bool WriteDisplaySettings(const std::string& file_name, const DisplaySettings& settings) {
  return WriteFileAtomically(
      file_name, [&settings](std::ostream& out) { WriteDisplaySettings(out, settings); });
}

bool LocaleIsRussian(const char* lc_all, const char* lc_messages, const char* lang) {
  for (const char* value : {lc_all, lc_messages, lang}) {
    if (value == nullptr || *value == '\0') continue;
    const std::string locale(value);
    return locale.size() >= 2 && locale.compare(0, 2, "ru") == 0 &&
           (locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
  }
  return false;
}

bool SystemLocaleIsRussian() {
  return LocaleIsRussian(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

int ScaleToScreen(double n, double screen_scale) { return RoundToInt(n * screen_scale); }

}  // namespace pektra
