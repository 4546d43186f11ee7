// The commands of the spectrum name list: building it from the open-file dialog or a list file,
// showing it, and taking the next spectrum from it.
#pragma once

#include <functional>

namespace pektra {

struct AnalysisState;
class UserInterface;

// "Input Spec.File Names". Both ways keep at most kMaxListNames names; a list file with more
// keeps its first ones and says how many were left out.
void CreateNameList(AnalysisState& state, UserInterface& ui);
// "Show Sp.File Names".
void ShowNameList(AnalysisState& state, UserInterface& ui);
// "Set the Next Spectrum Name": the chosen name becomes the spectrum's file name and is read,
// under the present type and options when the box is ticked, else by `input_command` ("Input
// the Spectrum"). Returns whether a spectrum was read in.
bool SetNextSpectrumName(AnalysisState& state, UserInterface& ui,
                         const std::function<void()>& input_command);

}  // namespace pektra
