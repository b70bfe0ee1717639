// File permissions bind the test process for the life of the guard, also when it runs as root,
// so that a read-only folder refuses writes as it does for an ordinary user.
#pragma once

#include <linux/capability.h>

namespace quillo::testing {

class ScopedPermissionChecks {
 public:
  ScopedPermissionChecks();
  ~ScopedPermissionChecks();
  ScopedPermissionChecks(const ScopedPermissionChecks&) = delete;
  ScopedPermissionChecks& operator=(const ScopedPermissionChecks&) = delete;

 private:
  __user_cap_data_struct saved_[_LINUX_CAPABILITY_U32S_3] = {};
  bool changed_ = false;
};

}  // namespace quillo::testing
