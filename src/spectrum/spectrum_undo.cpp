#include "spectrum/spectrum_undo.h"

#include <algorithm>
#include <utility>

namespace pektra {

namespace {

std::vector<double> Channels(const OneBasedArray<double>& array) {
  const auto all = array.range(1, array.capacity());
  return {all.begin(), all.end()};
}

void PutBack(const std::vector<double>& kept, OneBasedArray<double>& array) {
  const int n = std::min(array.capacity(), static_cast<int>(kept.size()));
  for (int i = 1; i <= n; ++i) array[i] = kept[static_cast<std::size_t>(i - 1)];
}

}  // namespace

SpectrumSnapshot SpectrumSnapshot::Of(const TSpectrum& sp) {
  SpectrumSnapshot s;
  s.file_name = sp.file_name;
  s.file_type = sp.file_type;
  s.a1 = sp.a1;
  s.a2 = sp.a2;
  s.b1 = sp.b1;
  s.b2 = sp.b2;
  s.max_counts = sp.max_counts;
  s.min_counts = sp.min_counts;
  s.x_first = sp.x_first;
  s.x_last = sp.x_last;
  s.x_step = sp.x_step;
  s.x_scale = sp.x_scale;
  s.x_offset = sp.x_offset;
  s.counts = Channels(sp.counts);
  s.errors = Channels(sp.errors);
  s.abscissa = Channels(sp.abscissa);
  s.facts = sp.facts;
  return s;
}

void SpectrumSnapshot::RestoreTo(TSpectrum& sp) const {
  sp.file_name = file_name;
  sp.file_type = file_type;
  sp.a1 = a1;
  sp.a2 = a2;
  sp.b1 = b1;
  sp.b2 = b2;
  sp.max_counts = max_counts;
  sp.min_counts = min_counts;
  sp.x_first = x_first;
  sp.x_last = x_last;
  sp.x_step = x_step;
  sp.x_scale = x_scale;
  sp.x_offset = x_offset;
  PutBack(counts, sp.counts);
  PutBack(errors, sp.errors);
  PutBack(abscissa, sp.abscissa);
  sp.facts = facts;
}

void SpectrumUndo::Push(std::string what, const TSpectrum& spectrum) {
  Push(std::move(what), SpectrumSnapshot::Of(spectrum));
}

void SpectrumUndo::Push(std::string what, SpectrumSnapshot snapshot) {
  if (entries_.size() >= kDepth) entries_.pop_front();
  entries_.push_back({std::move(what), std::move(snapshot)});
}

std::string SpectrumUndo::NextCommand() const {
  return entries_.empty() ? std::string() : entries_.back().what;
}

bool SpectrumUndo::Undo(TSpectrum& spectrum) {
  if (entries_.empty()) return false;
  entries_.back().snapshot.RestoreTo(spectrum);
  entries_.pop_back();
  return true;
}

}  // namespace pektra
