// For the tests of pektra-batch: its entry point run in the test process, with what it wrote to
// standard output and standard error kept apart.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/batch.h"

namespace pektra::testing {

struct BatchRun {
  int status = 0;
  std::string out, err;
};

inline BatchRun Batch(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  BatchRun run;
  run.status = RunBatch(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace pektra::testing
