// Message texts of the numeric routines: the least-squares fitter's notes and trace lines, which
// the interval fit shows, and the refusal of Rebin.
#pragma once

namespace pektra {

inline constexpr char kMessageNotConverged[] = "++++ The process hasn't converged";
inline constexpr char kMessageMatrixSingular[] = "++++ The matrix can't be inverted";
inline constexpr char kMessagePoorFit[] = ".... The fitting quality is not good";
inline constexpr char kTraceInverseMatrix[] = ".... Inverse LS matrix + vector";
inline constexpr char kTraceMaxDerivativeDifference[] = ".... Max der. diff. = ";
inline constexpr char kMessageTooLongArray[] = "Too long array";

}  // namespace pektra
