#include "ui/picking.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "core/arithmetic.h"
#include "core/number_format.h"
#include "core/user_interface.h"
#include "model/real_model.h"
#include "numeric/peak_probe.h"
#include "state/analysis_state.h"
#include "ui/graphs.h"

namespace pektra {
namespace {

const char* const kNoGraph = "Error, no graph";
const char* const kPeaksHint = " Click on the peaks, at finish - on OK ";

// The large graph is on the screen: not before the first graph, nor behind the fit display.
bool LargeGraphShown(const ViewState& view) {
  return view.graph_mode != GraphMode::kNothing && view.graph_mode != GraphMode::kFitDisplay;
}

void RedrawLargeGraph(AnalysisState& state, UserInterface& ui) {
  ui.ShowPicture(PictureArea::kLargeGraph, LargeGraphPicture(state, LargeGraphMaximum(state)));
}

// A pick waits for clicks with every menu off, so that no command starts in the middle of it.
void StartPick(AnalysisState& state, UserInterface& ui) {
  SetMenusEnabled(state, ui, false);
  state.view.graph_mode = GraphMode::kClick;
}

void EndPick(AnalysisState& state, UserInterface& ui) {
  state.view.graph_mode = GraphMode::kSpectrum;
  ui.ShowStatus("", "");
  SetMenusEnabled(state, ui, true);
}

// Waits for the next event on the large graph; a click is kept in click_x, click_y, click_flag.
GraphEvent WaitForClick(ViewState& view, UserInterface& ui) {
  view.click_flag = false;
  const GraphEvent event = ui.WaitForGraphEvent();
  if (event.kind == GraphEvent::Kind::kClick) {
    view.click_x = event.x;
    view.click_y = event.y;
    view.click_flag = true;
  }
  return event;
}

// The channels a pick may take: the window shown, inside the spectrum.
int FirstChannel(const AnalysisState& state) {
  return std::max({state.view.interval_begin, state.spectrum.a1, 1});
}
int LastChannel(const AnalysisState& state) {
  return std::max(FirstChannel(state),
                  std::min({state.view.interval_end, state.spectrum.a2, kMaxChannels}));
}

// One bound of an interval: the channel under the click. A click left or right of the plot takes
// the plot's first or last channel; no bound lies outside the spectrum. Nothing when the pick was
// ended.
std::optional<int> PickBound(AnalysisState& state, UserInterface& ui) {
  const GraphEvent event = WaitForClick(state.view, ui);
  if (event.kind != GraphEvent::Kind::kClick) return std::nullopt;
  const ViewState& view = state.view;
  const TSpectrum& sp = state.spectrum;
  int c = RoundToInt(ChannelAt(state, event.x));
  c = std::clamp(c, view.interval_begin, std::max(view.interval_begin, view.interval_end + 1));
  return std::clamp(c, std::max(sp.a1, 1), std::max(std::min(sp.a2, kMaxChannels), 1));
}

void ApplyInterval(AnalysisState& state, UserInterface& ui, PickPurpose purpose, int first,
                   int last) {
  ViewState& view = state.view;
  if (purpose == PickPurpose::kPeakModel) {
    state.peak_model.model_first = first;
    state.peak_model.model_last = last;
    ui.ShowGraphButtons({false, view.cadre_mode});
    const RealModelContext model{state.peak_model, state.spectrum,
                                 state.work,       state.processing.small_stat,
                                 view.scale_mode,  view.trim_coefficient};
    if (FormTheRealPeakModel(model, ui)) {
      ui.ShowStatus(" Real peak model set up", "");
    } else {
      ui.ShowStatus(" Model interval " + std::to_string(state.peak_model.model_first) + " - " +
                        std::to_string(state.peak_model.model_last) + " stored",
                    " The real peak model is not formed yet");
    }
    return;
  }
  view.interval_begin = first;
  view.interval_end = last;
  view.interval_length = last - first + 1;
  if (purpose == PickPurpose::kMakeInterval) {
    state.spectrum.b1 = first;
    state.spectrum.b2 = last;
  }
  view.cadre_mode = true;
  DrawCadre(state, ui);
}

}  // namespace

void PickInterval(AnalysisState& state, UserInterface& ui, PickPurpose purpose) {
  if (!LargeGraphShown(state.view)) {
    ui.ShowStatus(kNoGraph, "");
    return;
  }
  const int kept_peaks = state.marking.peak_count;
  state.marking.peak_count = 0;  // the marking's ticks go: a new window forgets it
  RedrawLargeGraph(state, ui);
  StartPick(state, ui);
  ui.ShowGraphButtons({false, false});
  const std::string first_line = " Click on the beginning ";
  ui.ShowStatus(first_line, "");
  const std::optional<int> c1 = PickBound(state, ui);
  std::optional<int> c2;
  if (c1) {
    ui.ShowStatus(first_line, " Click on the end ");
    c2 = PickBound(state, ui);
  }
  EndPick(state, ui);
  if (c2 && *c1 != *c2) {
    ApplyInterval(state, ui, purpose, std::min(*c1, *c2), std::max(*c1, *c2));
    return;
  }
  // Ended, or both clicks on one channel: everything stays as it was.
  state.marking.peak_count = kept_peaks;
  RedrawLargeGraph(state, ui);
  ui.ShowGraphButtons({false, state.view.cadre_mode});
  if (c2) ui.ShowStatus(" Both clicks on channel " + std::to_string(*c1) + ", nothing changed", "");
}

namespace {

// "N of peaks = " and the count, and the last peak's channel after `chan` when there is one.
std::string PeakCountLine(const MarkingState& marking, const std::string& chan) {
  std::string line = "N of peaks = " + std::to_string(marking.peak_count);
  if (marking.peak_count > 0) {
    line += chan + std::to_string(RoundToInt(marking.peak_list[marking.peak_count]));
  }
  return line;
}

// The peaks picked go to peak_list and mark_list at the same index; mark_list is the smaller.
int PickCapacity(const MarkingState& marking) {
  return std::min(marking.peak_list.capacity(), marking.mark_list.capacity());
}

void KeepMarkListInStep(MarkingState& marking) {
  marking.mark_list_count = std::clamp(marking.peak_count, 0, marking.mark_list.capacity());
}

// On a long window (h > 0) a click moves to the highest count within h channels of it, inside the
// window's inner channels; on a tie the clicked channel stays.
int SnapToHighest(const AnalysisState& state, int c, int h) {
  if (h <= 0) return c;
  const int lo = std::max({c - h, state.view.interval_begin + 1, 1});
  const int hi = std::min({c + h, state.view.interval_end - 1, kMaxChannels});
  if (lo > hi) return c;
  int best = std::clamp(c, lo, hi);
  for (int k = lo; k <= hi; ++k) {
    if (state.spectrum.counts[k] > state.spectrum.counts[best]) best = k;
  }
  return best;
}

void AddPickedPeak(AnalysisState& state, UserInterface& ui, int c) {
  MarkingState& marking = state.marking;
  if (c < FirstChannel(state) || c > LastChannel(state)) return;
  if (marking.peak_count >= PickCapacity(marking)) {
    ui.ShowStatus(kPeaksHint, PeakCountLine(marking, "   Chan=") + "  The list is full");
    return;
  }
  ++marking.peak_count;
  marking.peak_list[marking.peak_count] = c;
  marking.mark_list[marking.peak_count] = c;
  KeepMarkListInStep(marking);
  RedrawLargeGraph(state, ui);
  ui.ShowStatus(kPeaksHint, PeakCountLine(marking, "   Chan="));
}

void RemoveLastPeak(AnalysisState& state, UserInterface& ui) {
  MarkingState& marking = state.marking;
  if (marking.peak_count > 0) {
    --marking.peak_count;
    KeepMarkListInStep(marking);
    RedrawLargeGraph(state, ui);
  }
  ui.ShowStatus(kPeaksHint, PeakCountLine(marking, "  Chan="));
}

// Peaks kept from before continue in mark_list as they are in peak_list.
void CopyKeptPeaks(MarkingState& marking) {
  const int kept = std::clamp(marking.peak_count, 0, PickCapacity(marking));
  for (int i = 1; i <= kept; ++i) marking.mark_list[i] = marking.peak_list[i];
  KeepMarkListInStep(marking);
}

}  // namespace

void MarkThePeaks(AnalysisState& state, UserInterface& ui) {
  ViewState& view = state.view;
  MarkingState& marking = state.marking;
  if (!LargeGraphShown(view)) {
    ui.ShowStatus(kNoGraph, "");
    return;
  }
  view.graph_mode = GraphMode::kClick;
  if (marking.peak_count > 0 && ui.AskYesNo("Reset the counter?")) {
    marking.peak_count = 0;
    RedrawLargeGraph(state, ui);
  }
  CopyKeptPeaks(marking);
  ui.ShowGraphButtons({true, false});
  const int h = std::min(3, view.interval_length / 1024);
  StartPick(state, ui);
  view.picking_done = false;
  ui.ShowStatus(kPeaksHint, PeakCountLine(marking, "   Chan="));
  while (!view.picking_done) {
    const GraphEvent event = WaitForClick(view, ui);
    if (event.kind == GraphEvent::Kind::kClick) {
      AddPickedPeak(state, ui, SnapToHighest(state, RoundToInt(ChannelAt(state, event.x) - 1), h));
    } else if (event.kind == GraphEvent::Kind::kCancel) {
      RemoveLastPeak(state, ui);
    } else {  // OK, or the window closes
      view.picking_done = true;
      view.click_flag = true;
    }
  }
  ui.ShowGraphButtons({false, view.cadre_mode});
  KeepMarkListInStep(marking);
  EndPick(state, ui);
}

namespace {

// A peak tested at a clicked channel: the interval around it, its background, net area and
// criterion.
struct PeakCheck {
  double position = 0.0, width = 0.0;
  int left = 0, right = 0;
  double background = 0.0, net = 0.0, sigma = 0.0, criterion = 0.0;
};

PeakCheck CheckPeak(AnalysisState& state, double p) {
  const TSpectrum& sp = state.spectrum;
  const int first = FirstChannel(state), last = LastChannel(state);
  PeakCheck check;
  check.position = std::clamp(p, static_cast<double>(first), static_cast<double>(last));
  const PeakProbe probe = ProbePeak(state.work, sp.counts, sp.a2, check.position);
  if (probe.found) {
    check.position = probe.position;
    check.width = probe.width;
  } else {
    const double t = (check.position - sp.a1) / (sp.a2 - sp.a1 + 1);
    check.width = t * sp.w2 + (1 - t) * sp.w1;
  }
  check.width = std::max(check.width, 4.0);
  const int l = std::clamp(RoundToInt(check.position - 1.5 * check.width), first, last);
  const int r = std::clamp(RoundToInt(check.position + 1.5 * check.width), l, last);
  auto y = [&](int c) { return sp.counts[std::clamp(c, first, last)]; };
  check.left = l;
  check.right = r;
  check.background = (r - l + 1) * (y(l) + y(l + 1) + y(r) + y(r - 1)) / 4;
  double area = 0.0;
  for (int c = l; c <= r; ++c) area += y(c);
  check.net = std::max(area - check.background, 0.0);
  check.sigma = std::sqrt(std::fabs(check.net) + std::fabs(check.background) + 1);
  check.criterion = check.net / check.sigma;
  return check;
}

std::string CheckQuestion(const PeakCheck& check) {
  return "Interval " + std::to_string(check.left) + " - " + std::to_string(check.right) + "\n" +
         "Cryt= " + FormatFixed(10, 2, check.criterion) + "     (if < 3, no effect)\n" +
         "Backgr= " + FormatFixed(10, 2, check.background) + "\n" + "Save to res-table? (Y,No)";
}

// The checked peak as a new result row, a new peak and an interval of its own.
void AddCheckedPeak(AnalysisState& state, UserInterface& ui, const PeakCheck& check) {
  MarkingState& marking = state.marking;
  ResultTable& results = state.results;
  if (results.result_count + 1 > kResultCapacity) {
    ui.ShowStatus("Error, too many peaks in the table", "");
    return;
  }
  if (marking.peak_count + 1 > marking.peak_list.capacity() ||
      marking.interval_count + 1 > marking.interval_table.capacity()) {
    ui.ShowStatus("Error, too many peaks in the marking", "");
    return;
  }
  const ResultRow row = {check.position, 0.0, check.net,       check.sigma,
                         check.width,    0.0, check.criterion, check.background};
  if (!StoreResultRow(results, ui, results.result_count + 1, row)) return;
  ++marking.peak_count;
  marking.peak_list[marking.peak_count] = check.position;
  ++marking.interval_count;
  marking.interval_table[marking.interval_count] = {check.left, check.right, marking.peak_count,
                                                    marking.peak_count};
  RedrawLargeGraph(state, ui);  // the new peak's tick
}

}  // namespace

void CheckForPeakAndAdd(AnalysisState& state, UserInterface& ui) {
  if (!LargeGraphShown(state.view)) {
    ui.ShowStatus(kNoGraph, "");
    return;
  }
  ui.ShowStatus("Click on the peak top", "");
  StartPick(state, ui);
  const GraphEvent event = WaitForClick(state.view, ui);
  EndPick(state, ui);
  if (event.kind != GraphEvent::Kind::kClick) return;
  const PeakCheck check = CheckPeak(state, ChannelAt(state, event.x) - 1);
  if (ui.AskYesNo(CheckQuestion(check))) AddCheckedPeak(state, ui, check);
}

}  // namespace pektra
