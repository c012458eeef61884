// The system calls the watch at the system boundary catches (SystemWatch.h), as a seccomp filter,
// and the words that tell one of them: the call and what it touched.
#pragma once

#include <linux/filter.h>
#include <linux/seccomp.h>

#include <string>
#include <vector>

namespace vexdrive {

// The filter: every caught call goes to the watcher (SECCOMP_RET_USER_NOTIF); every other call,
// and every call of another architecture's convention, is allowed. Empty on an architecture whose
// calls it does not know.
std::vector<sock_filter> ReachFilter();

// What the call says a module did, "creates /tmp/x.txt", read from the calling thread `call.pid`
// (its memory, its working directory, its descriptors) while it waits; empty when the call does
// not reach outside (a file opened only for reading, limits only read).
std::string DescribeCall(const seccomp_notif& call);

}  // namespace vexdrive
