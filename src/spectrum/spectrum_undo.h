// The undo of the commands that change the spectrum's data: before such a command commits, the
// spectrum as it stands is kept on a short stack, and "Undo" puts the latest one back.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "spectrum/spectrum.h"

namespace pektra {

// The data of a spectrum: its file, bounds, range, abscissa mapping and the three channel arrays,
// every channel (a later command may have changed channels beyond a2 too). The fit settings of
// the spectrum (widths, background degree) are the user's and are not part of it.
struct SpectrumSnapshot {
  std::string file_name;
  int file_type = kBinary32;
  int a1 = 1, a2 = kMaxChannels, b1 = 1, b2 = kMaxChannels;
  double max_counts = 1.0, min_counts = 0.0;
  double x_first = 1.0, x_last = kMaxChannels, x_step = 1.0, x_scale = 1.0, x_offset = 0.0;
  std::vector<double> counts, errors, abscissa;
  SpectrumFileFacts facts;

  static SpectrumSnapshot Of(const TSpectrum& spectrum);
  // Writes the kept data back, bit for bit.
  void RestoreTo(TSpectrum& spectrum) const;
};

// The last kDepth changes, newest on top; an older one is dropped when a new one comes. Each entry
// holds three arrays of 16384 doubles: ten of them take under 4 MB.
class SpectrumUndo {
 public:
  static constexpr std::size_t kDepth = 10;

  // Keeps the spectrum as it is before the command `what` (its menu caption) changes it.
  void Push(std::string what, const TSpectrum& spectrum);
  void Push(std::string what, SpectrumSnapshot snapshot);
  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  // The caption of the command the next Undo takes back; empty when there is none.
  std::string NextCommand() const;
  // Puts the latest kept spectrum back and forgets it; false (nothing changed) when empty.
  bool Undo(TSpectrum& spectrum);
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    std::string what;
    SpectrumSnapshot snapshot;
  };
  std::deque<Entry> entries_;
};

}  // namespace pektra
