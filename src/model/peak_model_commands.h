// The peak-model commands of the menus: choosing a standard shape and the graph of the table.
#pragma once

#include "core/picture.h"

namespace pektra {

struct DisplaySettings;
class UserInterface;
class TPeakModel;

// "Make a Special Peak Model": the dialog "Select special model type and number" offers "Gauss",
// "IAEA" and "Detector4", preselected from the present type. OK builds the chosen shape (types 1,
// 3, 7); Cancel changes nothing. A model that cannot be built is reported with ShowNote and the
// previous model stays.
void MakeSpecialPeakModel(TPeakModel& peak_model, const DisplaySettings& display,
                          UserInterface& ui);

// The 200 x 215 graph of the model table: the nodes as plus marks, scaled between the smallest
// and the largest value, over a black field with a dotted lime grid.
Picture PeakModelPicture(const TPeakModel& model);

// "Graph Peak Model": the model's graph in the data-entry dialog titled with the model's name.
// It changes nothing.
void GraphPeakModel(const TPeakModel& peak_model, UserInterface& ui);

}  // namespace pektra
