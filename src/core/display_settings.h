// The display-settings file: window scale, font size and help language, read at start and written
// at exit.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace pektra {

struct DisplaySettings {
  double screen_scale = 1.0;   // 0.64 .. 1.56, multiplies every screen coordinate and size
  int font_size = 10;          // 8 .. 14
  bool rus_help = true;        // Russian help texts and option lists
  std::string settings_title;  // first data line of the file, written back unchanged
};

// Reads the file's lines into `settings`: the title, then the "*scrsize", "*fntsize" and
// "*RusHelp" lines, each applied only when it holds its key and a readable value, clamped to its
// range. A missing line leaves its value as it was.
void ReadDisplaySettings(std::istream& in, DisplaySettings& settings);
// Path version; a missing file leaves the defaults. Returns whether the file was read.
bool ReadDisplaySettings(const std::string& file_name, DisplaySettings& settings);

void WriteDisplaySettings(std::ostream& out, const DisplaySettings& settings);
// Path version, written whole or not at all. Returns false when the file could not be written.
bool WriteDisplaySettings(const std::string& file_name, const DisplaySettings& settings);

// Whether the user's language is Russian by the locale variables, the first one set of LC_ALL,
// LC_MESSAGES and LANG ("ru", "ru_RU.UTF-8"); null or empty values are not set.
bool LocaleIsRussian(const char* lc_all, const char* lc_messages, const char* lang);
// The same for this process's environment: the help language when pektra.fn does not say.
bool SystemLocaleIsRussian();

// round(n * screen_scale), halves to even.
int ScaleToScreen(double n, double screen_scale);

}  // namespace pektra
