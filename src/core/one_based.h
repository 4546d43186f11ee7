// 1-based arrays of fixed capacity, as the analysis works with channel numbers 1..16384, peak
// indices 1..1000 and so on. Every access is checked against the capacity in builds with
// assertions (the sanitizer build), so an index slip shows up as a failure, not as a silent
// overwrite of a neighbouring field.
#pragma once

#include <cassert>
#include <cstddef>
#include <span>
#include <vector>

namespace pektra {

template <typename T>
class OneBasedArray {
 public:
  OneBasedArray(int capacity, const T& value) : data_(static_cast<std::size_t>(capacity), value) {}

  int capacity() const { return static_cast<int>(data_.size()); }

  T& operator[](int i) {
    assert(i >= 1 && i <= capacity());
    return data_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator[](int i) const {
    assert(i >= 1 && i <= capacity());
    return data_[static_cast<std::size_t>(i - 1)];
  }

  // Elements first..last (1-based, inclusive) as a span; an empty span when first > last.
  std::span<T> range(int first, int last) {
    assert(first >= 1 && (first > last || last <= capacity()));
    if (first > last) return {};
    return std::span<T>(data_).subspan(static_cast<std::size_t>(first - 1),
                                       static_cast<std::size_t>(last - first + 1));
  }
  std::span<const T> range(int first, int last) const {
    assert(first >= 1 && (first > last || last <= capacity()));
    if (first > last) return {};
    return std::span<const T>(data_).subspan(static_cast<std::size_t>(first - 1),
                                             static_cast<std::size_t>(last - first + 1));
  }

  void fill(const T& value) { data_.assign(data_.size(), value); }
  bool operator==(const OneBasedArray&) const = default;

 private:
  std::vector<T> data_;
};

}  // namespace pektra
