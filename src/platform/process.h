// The process itself: being copied into a child (fork on POSIX).
#pragma once

namespace rdstmc::platform {

// Registers handlers run around every later copy of the process: `prepare`
// in the parent just before, `parent` in the parent and `child` in the new
// process just after. The child starts with the copying thread only. On a
// platform whose processes are never copied, nothing is registered.
void OnProcessCopy(void (*prepare)(), void (*parent)(), void (*child)());

}  // namespace rdstmc::platform
