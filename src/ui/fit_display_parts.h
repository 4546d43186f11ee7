// What the parts of the interactive fit display share: the energy of a channel for its labels.
#pragma once

namespace pektra {

struct AnalysisState;

// The energy of a (fractional) channel by the energy calibration; the channel itself without one.
double EnergyOfChannel(AnalysisState& state, double channel);

}  // namespace pektra
