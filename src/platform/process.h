// The process itself: being copied into a child (fork on POSIX), and ending.
#pragma once

namespace rdstmc::platform {

// Registers handlers run around every later copy of the process: `prepare`
// in the parent just before, `parent` in the parent and `child` in the new
// process just after. The child starts with the copying thread only. On a
// platform whose processes are never copied, nothing is registered.
void OnProcessCopy(void (*prepare)(), void (*parent)(), void (*child)());

// Registers `handler` to run when the process exits normally, while its
// other threads still run, where the platform has such a moment. Where it
// has not (Windows: a DLL learns of the exit after the other threads are
// gone, holding the loader lock), nothing is registered.
void OnProcessExit(void (*handler)());

}  // namespace rdstmc::platform
