// The large graph: the spectrum, or a window of it (a cadre), as a point graph of 630 x 424 design
// units (more when the window is larger, view.graph_width x view.graph_height), the mapping between
// channels and screen positions, the read-out box of a click and the picture export. The window
// shown is interval_begin .. interval_end, N = interval_length channels.
#pragma once

#include "core/picture.h"
#include "core/view_state.h"

namespace pektra {

struct AnalysisState;
class UserInterface;

// The text shortened to at most max_characters characters (UTF-8) by an ellipsis in the middle,
// keeping more of its end: "/home/user/spectra/eu152.spe" -> "/home/…/spectra/eu152.spe".
std::string ElideMiddle(const std::string& text, std::size_t max_characters);

// The top of the vertical scale for a largest value m: Normal (1) m, SQRT (2) sqrt|m|,
// LN (3) ln(|m| + 1), Trimmed (4) m * trim; any other mode 1.
double ScaleTop(ScaleMode scale_mode, double trim, double m);

// The vertical offset (design units) of a value v on a scale with the given top:
// round(243 - 240 v' / max(0.1, top)) with v' = v, sqrt|v|, ln(|v| + 1) or min(top, v) by mode, so
// the plot runs from 3 (top) to 243 (zero).
int ScaleY(ScaleMode scale_mode, double top, double v);
// The same on a plot `span` units high instead of 240: round(span + 3 - span v' / max(0.1, top)).
int ScaleY(ScaleMode scale_mode, double top, double v, int span);

// The channel under a screen x (pixels of the shown picture):
// (x - S(60)) * N / S(P) + interval_begin, S the screen scale, P the plot's width (512 at the
// stated size, plus what the graph has grown). A plotted channel c gives c + 1.
double ChannelAt(const AnalysisState& state, double x_pixels);

// The design x of channel c in the window: 60 + round((c - interval_begin + 1) * P / N).
int PlotX(const AnalysisState& state, int channel);
// The design y of a value on the large graph with the given top of the scale: 100 + ScaleY on the
// plot's height (240 at the stated size, plus what the graph has grown).
int PlotY(const AnalysisState& state, double top, double v);

// The large graph of the window with largest value m: frame, vertical scale, one fuchsia mark per
// channel, the channel and energy ticks, the header and the ticks of the marked peaks.
Picture LargeGraphPicture(AnalysisState& state, double m);

// The largest value the large graph is drawn with: max_counts for the whole spectrum
// (cadre_mode off), else the largest count in the window (at least 0).
double LargeGraphMaximum(const AnalysisState& state);

// "Graph the Spectrum": the whole spectrum a1 .. a2, cadre_mode off, graph_mode kSpectrum.
void GraphTheSpectrum(AnalysisState& state, UserInterface& ui);
// "Graph the Interval": the window b1 .. b2 as a cadre, graph_mode 3.
void GraphTheInterval(AnalysisState& state, UserInterface& ui);
// Moves the window inside a1 .. a2 keeping its length (when it fits) and draws it with the
// largest count of the window.
void DrawCadre(AnalysisState& state, UserInterface& ui);
// The buttons "Next cadre" and "Previous cadre": the next / previous N channels.
void NextCadre(AnalysisState& state, UserInterface& ui);
void PreviousCadre(AnalysisState& state, UserInterface& ui);

// A click (screen pixels) on the large graph outside a picking loop: inside the plot area and with
// graph_mode 1..5 the channel under it is probed and the graph is shown again with the read-out
// box (counts, position, energy, area, width). Returns whether the click was taken.
bool ReadOutClick(AnalysisState& state, UserInterface& ui, int x, int y);

// Zoom and pan of the large graph (the window's conveniences): each works while the large graph
// is on the screen, also during a pick (then only the picture is renewed), and returns whether it
// did. The window shown becomes the cadre (cadre_mode on unless it is the whole spectrum), so the
// commands that read the cadre see it; it stays inside a1 .. a2 and keeps at least 16 channels.
// Zoom: the window's length times `factor` around the channel under x_pixels (picture pixels).
bool ZoomLargeGraph(AnalysisState& state, UserInterface& ui, double x_pixels, double factor);
// Pan: the window follows a drag of dx_pixels (to the right shows lower channels).
bool PanLargeGraph(AnalysisState& state, UserInterface& ui, double dx_pixels);
// The whole spectrum a1 .. a2 again.
bool ShowWholeSpectrum(AnalysisState& state, UserInterface& ui);
// One window length further (direction 1) or back (-1).
bool StepLargeGraph(AnalysisState& state, UserInterface& ui, int direction);
// The quick scale: Normal <-> LN (any other scale goes to LN); redrawn when the graph is shown.
bool ToggleQuickScale(AnalysisState& state, UserInterface& ui);
// The window gives the large graph width x height design units (at least the stated size); the
// graph shown is drawn again at that size, with nothing else changed. Returns whether it was.
bool ResizeLargeGraph(AnalysisState& state, UserInterface& ui, int width, int height);

// SetMenusEnabled: false while a pick waits for clicks, so that no command starts in the middle of
// one; true afterwards. The port is told at once.
void SetMenusEnabled(AnalysisState& state, UserInterface& ui, bool enabled);

// "Spectrum -> BMP": with a graph shown, asks for a file name (proposed "sp.bmp") and saves the
// large graph picture there.
void SpectrumToBmp(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
