// Reading energy and efficiency calibration files: items of three numbers in free field format.
#pragma once

#include <istream>
#include <string>

#include "calib/calibration_state.h"
#include "core/result.h"

namespace pektra {

enum class CalibrationKind { kEnergy, kEfficiency };

// What a calibration file held.
struct CalibrationFileItems {
  int count = 0;    // items stored, at most 60
  int in_file = 0;  // items the file holds (items whose numbers add up to 0 not counted)
  Outcome outcome;  // a refusal names the line: "line 7: \"nan\" is not a number"
};

// Reads calibration items into items[1..60]. Each item is the next three numbers, however they are
// spread over lines: a line with fewer continues on the next one, and numbers after the third on
// the line completing an item are ignored. "*" lines are comments, empty lines are skipped, a line
// beginning with "/" ends the data, and a line whose first word is no number (a heading) is
// skipped. The last item may lack numbers (they are 0). Items whose three numbers add up to 0 are
// dropped; beyond 60 items each further item replaces the 60th. The items are not sorted.
// The file is refused, naming the line, when a number it uses cannot be read (nan, inf, 1O5) or
// is beyond +-1e15 (1e999), when a line holds control bytes (a binary file), and for
// efficiency when a coefficient is not greater than 0. A refused file may have changed `items`
// but gives count 0.
CalibrationFileItems ReadCalibrationItems(std::istream& in, CalibrationKind kind,
                                          OneBasedArray<CalibrationItem>& items);

// The note for a file of more than 60 items: "4940 calibration items dropped: only 60 are kept
// (items 1 to 59 and the last)"; "" when nothing was dropped.
std::string DroppedItemsNote(const CalibrationFileItems& read);

}  // namespace pektra
