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

// What a click on the fit picture of the interactive fit display does.
enum class ClickAction : int {
  kReadOut = 0,     // a box with the channel, its count and energy
  kBlunder = 1,     // the count becomes the mean of its two neighbours, then a refit
  kAddPeak = 2,     // a new peak at the channel, the marking divided again, then a refit
  kDeletePeak = 3,  // the peak nearest the channel is removed, the marking divided again
};

// The stated size of the large graph in design units; a larger window draws it larger.
inline constexpr int kLargeGraphWidth = 630;
inline constexpr int kLargeGraphHeight = 424;

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
  bool spectrum_read = false;              // a spectrum was read, simulated or made since start
  // The size the large graph is drawn at (design units), set by the window when it is resized;
  // never smaller than the stated size. The plot takes all of the growth, and the mapping between
  // channels and screen positions follows it.
  int graph_width = kLargeGraphWidth, graph_height = kLargeGraphHeight;
  // How the large graph draws the spectrum (the window remembers both): a point per channel or a
  // histogram line, and the curves of the last spectrum fit over it.
  bool histogram_drawing = false;
  bool fitted_curves_shown = true;

  // Picking on the large graph: the last click taken while graph_mode is kClick (picture pixels),
  // the flag a wait ends on, and the graph's OK button of "Mark the Peaks ".
  int click_x = 0, click_y = 0;
  bool click_flag = false;
  bool picking_done = false;
  ClickAction click_action = ClickAction::kReadOut;

  // Menu enabling. menus_enabled is false while a pick waits for clicks: no command can start
  // then. Drawing a graph enables "Mark" and "Cut the Cadre"; the fit display disables "Mark",
  // a successful interactive fit "Cut the Cadre".
  bool menus_enabled = true;
  bool mark_menu_enabled = true;
  bool cut_cadre_enabled = true;

  // The fit picture of the interactive fit display: the top of its vertical scale, and whether
  // the single peaks are drawn over it.
  double fit_top = 1.0;
  bool single_peaks_shown = false;

  bool operator==(const ViewState&) const = default;
};

}  // namespace pektra
