#include "support/permission_checks.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

namespace quillo::testing {
namespace {

__user_cap_header_struct Header() { return {_LINUX_CAPABILITY_VERSION_3, 0}; }

}  // namespace

ScopedPermissionChecks::ScopedPermissionChecks() {
  __user_cap_header_struct header = Header();
  if (::syscall(SYS_capget, &header, saved_) != 0) return;
  __user_cap_data_struct reduced[_LINUX_CAPABILITY_U32S_3];
  std::memcpy(reduced, saved_, sizeof(reduced));
  // Only the effective set drops; the permitted set keeps the bits, so they can come back.
  reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
  header = Header();
  changed_ = ::syscall(SYS_capset, &header, reduced) == 0;
}

ScopedPermissionChecks::~ScopedPermissionChecks() {
  if (!changed_) return;
  __user_cap_header_struct header = Header();
  ::syscall(SYS_capset, &header, saved_);
}

}  // namespace quillo::testing
