// What a call raises, for tests of operations that report failure with a
// RuntimeError.
#pragma once

#include <utility>

#include "runtime/runtime_error.h"

namespace tess::testing {

// The error a call raises; number 0 and line 0 when it raises none.
template <typename F>
RuntimeError raisedBy(F&& call) {
  try {
    std::forward<F>(call)();
  } catch (const RuntimeError& e) {
    return e;
  }
  return RuntimeError(0, 0);
}

// The number of the error a call raises, 0 when it raises none.
template <typename F>
int errorOf(F&& call) {
  return raisedBy(std::forward<F>(call)).number();
}

}  // namespace tess::testing
