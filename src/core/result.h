// The outcome of a reader or loader that can fail: success, or the message the user is to see.
#pragma once

#include <string>
#include <utility>

namespace pektra {

struct Outcome {
  bool ok = true;
  std::string message;  // why it failed, in the words the user sees; may also hold a warning

  static Outcome Success() { return {}; }
  static Outcome Failure(std::string text) { return {false, std::move(text)}; }
  static Outcome Warning(std::string text) { return {true, std::move(text)}; }
};

}  // namespace pektra
