// Runs part of a test in a forked child, so that a call that would wait for ever fails the test
// instead of hanging it.
#pragma once

#include <chrono>
#include <functional>

namespace quillo::testing {

// The body's return value as the child's exit status, or -1 when the child did not end within
// the limit (it is then killed).
int RunInChild(const std::function<int()>& body, std::chrono::milliseconds limit);

}  // namespace quillo::testing
