#include "numeric/random.h"

#include <cstdint>

namespace pektra {

namespace {

// One Schrage step s ← a·(s mod q) − r·(s div q), plus m when negative (m = a·q + r). Worked in
// 64 bits so that a state set from outside the generator's range cannot overflow either.
std::int32_t Step(std::int32_t s, std::int64_t a, std::int64_t q, std::int64_t r, std::int64_t m) {
  const std::int64_t v = s;
  std::int64_t next = a * (v % q) - r * (v / q);
  if (next < 0) next += m;
  return static_cast<std::int32_t>(next);
}

}  // namespace

double UniformRandom(RandomState& state) {
  state.s1 = Step(state.s1, 40014, 53668, 12211, 2147483563);
  state.s2 = Step(state.s2, 40692, 52774, 3791, 2147483399);
  std::int64_t z = static_cast<std::int64_t>(state.s1) - state.s2;
  if (z < 1) z += 2147483562;
  return static_cast<double>(z) * 4.656613e-10;
}

}  // namespace pektra
