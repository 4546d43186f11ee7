// What the window shows and the flags that tie the commands together: the channel window on the
// large graph, its scale, the graph mode, the last dialog's answer and the closing status text.
#pragma once

#include <array>
#include <string>

namespace pektra {

// What the graph area holds.
enum class GraphMode : int {
  kNothing = 0,
  kSpectrum = 1,    // the large graph, whole or by cadres
  kFitDisplay = 2,  // the interactive fit display
  kInterval = 3,    // the interval graph
  kClick = 13,      // waiting for a click on the graph
};

// The large graph's vertical scale; the number is the one stored in the init file.
enum class ScaleMode : int { kNormal = 1, kSqrt = 2, kLn = 3, kTrimmed = 4 };

struct ViewState {
  // The channel window being shown and processed (copies of b1, b2 when set from them).
  int interval_begin = 1, interval_end = 4096;
  int interval_length = 4096;  // interval_end - interval_begin + 1
  ScaleMode scale_mode = ScaleMode::kNormal;
  double trim_coefficient = 0.5;  // cut-off level of the Trimmed scale
  GraphMode graph_mode = GraphMode::kNothing;
  bool cadre_mode = false;                 // the large graph steps by cadres
  int dialog_ok = 1;                       // 1 when the last dialog was confirmed
  std::array<std::string, 2> status_text;  // the closing message of a command
  bool debug_mode = false;                 // trace lines go to the debug log

  bool operator==(const ViewState&) const = default;
};

}  // namespace pektra
