// 1-based arrays of fixed capacity, as the analysis works with channel numbers 1..16384, peak
// indices 1..1000 and so on. Every access is checked against the capacity in builds with
// assertions (the sanitizer build), so an index slip shows up as a failure, not as a silent
// overwrite of a neighbouring field.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace pektra {

// Storage that comes zeroed from the C library (calloc), and elements made without a value left
// as they came. A large array of zeros then costs nothing until it is used: the memory pages of
// a 16384-channel array that an 8192-channel spectrum never reaches are never touched.
template <typename T>
struct ZeroedAllocator {
  using value_type = T;
  ZeroedAllocator() = default;
  template <typename U>
  ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor)

  T* allocate(std::size_t n) {
    void* p = std::calloc(n == 0 ? 1 : n, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { std::free(p); }

  template <typename U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;  // default-initialised: the zeros of calloc for numbers
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <typename U>
  bool operator==(const ZeroedAllocator<U>&) const noexcept {
    return true;
  }
};

template <typename T>
class OneBasedArray {
 public:
  OneBasedArray(int capacity, const T& value) {
    const auto n = static_cast<std::size_t>(capacity);
    if constexpr (std::is_trivially_default_constructible_v<T> && std::is_trivially_copyable_v<T>) {
      // All bits zero (0.0, not -0.0): the zeroed storage is the value already.
      const T zero{};
      if (std::memcmp(&value, &zero, sizeof(T)) == 0) {
        data_.resize(n);
        return;
      }
    }
    data_.assign(n, value);
  }

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
  std::vector<T, ZeroedAllocator<T>> data_;
};

}  // namespace pektra
