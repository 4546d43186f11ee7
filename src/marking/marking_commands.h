// The marking commands of the Data and Mark menus: marking data read from a file or edited, the
// marking shown and its settings saved, the energy list entered, and the restriction of a search
// to the listed energies or lines. Readers take streams or texts, so tests and fuzz targets feed
// them bytes.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "marking/marking_context.h"

namespace pektra {

class UserInterface;

inline constexpr const char* kTooManyMarkingPoints = "Error, too many marking points";

// Reads a marking data text: line by line, leading blanks removed, the numbers of each line in
// free field format appended to `values` (cleared first). Lines beginning with "*" are comments.
// The 201st number fails with "Error, too many marking points"; `values` then holds the first 200.
Outcome ReadMarkingValues(std::istream& in, std::vector<double>& values);
// The same for a file; a file that cannot be opened fails with "No file " and its name.
Outcome ReadMarkingValues(const std::string& file_name, std::vector<double>& values);

// The editor text of the marking: per interval "-left -right" (10:0, a blank, 8:0), then one line
// per peak (8:1). Lines end with "\n".
std::string MarkingEditorText(const MarkingContext& ctx);
// The marking data array from an edited sequence: each interval takes the next two values as its
// bounds (absolute values, rounded) and the positive values that follow as its peaks, and is
// written as -left, peaks, -right. A last interval lacking its right bound is written without it
// (so that the conversion refuses it).
std::vector<double> RebuildMarkingArray(const std::vector<double>& edited);

// "Input Marking Data": the file choice, the values, then the marking of mode 1. A cancelled
// choice, a missing file, too many values or a broken array keep the previous marking and
// marking data.
void ReadMarkingData(const MarkingContext& ctx, UserInterface& ui);
// "Edit Marking Data": the marking in an editor; the edited marking replaces it.
void EditMarkingData(const MarkingContext& ctx, UserInterface& ui);
// "Show Marked Peaks": intervals and peaks with their energies, in a list that Save appends to the
// debug log.
void ShowMarking(const MarkingContext& ctx, UserInterface& ui);

// The marking information file: nine lines with the interval, the widths and the search settings.
void WriteMarkingInfo(std::ostream& out, const MarkingContext& ctx);
// "Save Marking Info": the file-save question (preset "mark.res"), the overwrite question, the
// file.
void SaveMarkingInfo(const MarkingContext& ctx, UserInterface& ui);

// The energies typed in the editor: all blanks are removed from each line before its numbers are
// read, so only commas (and TABs) separate numbers on one line. At most 300 values.
std::vector<double> ReadTypedEnergies(std::string_view text);
// An energy list file in free field format into list[1..300]; returns how many were stored.
int ReadEnergyList(std::istream& in, OneBasedArray<double>& list);
// "Enter Marking Energies": the list from the screen or a file; mark_mode becomes 2.
void EnterMarkingList(const MarkingContext& ctx, UserInterface& ui);

// Turns mark_list into channels for marking by energies (mark_mode 2, through the inverse energy
// calibration; without one a single warning and the values are taken as channels) or by lines
// (mark_mode 3, as they are), sorted ascending without values <= 0. Returns the list as it was,
// which the marking puts back when it is done.
std::vector<double> ListToChannels(const MarkingContext& ctx, UserInterface& ui);

// New algorithm: adds the listed channels (list[1..count]) inside b1..b2 to the found peaks,
// merges peaks closer than |resol| (and 1.1), divides, and removes the peaks of every interval
// that holds no listed channel. The marking command divides again afterwards.
void KeepListedIntervals(const MarkingContext& ctx, const OneBasedArray<double>& list, int count);

// Old algorithm, on the marking data array the old search left: every interval takes the listed
// channels within it as its peaks, or keeps its found peaks when it holds fewer listed channels
// than found peaks (also when it holds two or more of them); intervals without a listed channel are
// dropped. Listed channels outside every interval but inside the interval under analysis are
// probed, listed under "List of not found peaks" and stored as result rows. mark_list is restored
// afterwards.
void ReportNotFound(const MarkingContext& ctx, UserInterface& ui);

}  // namespace pektra
