// pektra-batch: the headless analysis of spectra (see --help).
#include <iostream>
#include <string>
#include <vector>

#include "app/batch.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return pektra::RunBatch(args, std::cout, std::cerr);
}
