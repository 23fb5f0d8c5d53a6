// C structures that are a C++ structure with `size` in front, copied whole:
// each member is checked to stand where its C++ counterpart does, so the
// copy cannot silently go wrong when either side changes.
#pragma once
#include <cstddef>

// Member `c` of CType stands, counted from CType's first member after
// `size` (`base`), where member `cpp` of CppType stands.
#define RDSTMC_SAME_PLACE(CType, base, c, CppType, cpp) \
    static_assert(offsetof(CType, c) - (base) == offsetof(CppType, cpp), #CType "." #c " moved")
