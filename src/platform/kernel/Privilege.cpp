#include "platform/kernel/Privilege.h"

#include <linux/capability.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

using CapabilitySets = __user_cap_data_struct[2];

void Check(bool succeeded, const char* call) {
  if (!succeeded) throw std::system_error(errno, std::generic_category(), call);
}

bool AnyCapability() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  CapabilitySets sets{};
  Check(syscall(SYS_capget, &header, sets) == 0, "capget");
  // The ambient set is a part of both the permitted and the inheritable ones.
  for (const __user_cap_data_struct& set : sets)
    if ((set.effective | set.permitted | set.inheritable) != 0) return true;
  return false;
}

}  // namespace

bool StartedWithPrivilege() { return getauxval(AT_SECURE) != 0 || AnyCapability(); }

void DropPrivilege() {
  // The group first: once the user is back, it may no longer change groups.
  const gid_t group = getgid();
  const uid_t user = getuid();
  Check(setresgid(group, group, group) == 0, "setresgid");
  Check(setresuid(user, user, user) == 0, "setresuid");
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  CapabilitySets none{};
  Check(syscall(SYS_capset, &header, none) == 0, "capset");
  Check(prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0, "prctl");
}
