// Sets or removes an environment variable for the life of the guard, then restores it.
#pragma once

#include <optional>
#include <string>

namespace quillo::testing {

class ScopedEnvironment {
 public:
  // No value removes the variable.
  ScopedEnvironment(std::string name, const std::optional<std::string>& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace quillo::testing
