// Feeds raw bytes to the display-settings reader, then writes the settings and reads them back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "core/display_settings.h"

namespace {

using namespace pektra;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckRanges(const DisplaySettings& settings) {
  Check(settings.screen_scale >= 0.64 && settings.screen_scale <= 1.56);
  Check(settings.font_size >= 8 && settings.font_size <= 14);
  Check(settings.settings_title.size() <= 255);
}

std::string Written(const DisplaySettings& settings) {
  std::ostringstream out;
  WriteDisplaySettings(out, settings);
  return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  DisplaySettings settings;
  ReadDisplaySettings(in, settings);
  CheckRanges(settings);

  const std::string text = Written(settings);
  std::istringstream again(text);
  DisplaySettings back{1.0, 11, !settings.rus_help, "not read"};
  ReadDisplaySettings(again, back);
  CheckRanges(back);
  Check(back.font_size == settings.font_size);
  Check(back.rus_help == settings.rus_help);
  Check(std::fabs(back.screen_scale - settings.screen_scale) <= 0.00005 + 1e-12);
  // A title ending in a carriage return loses it on the way back, as any Windows line end does.
  const std::string& title = settings.settings_title;
  if (title.empty() || title.back() != '\r') {
    Check(back.settings_title == title);
    Check(Written(back) == text);
  }
  return 0;
}
