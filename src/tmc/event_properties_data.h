// The built-in event list: every code's properties, sorted by code, as
// generated from data/tmc-event-properties.tsv at build time.
#pragma once
#include <cstddef>

#include "rdstmc_tmc.h"

namespace rdstmc {

extern const TmcEventProperties kEventProperties[];
extern const size_t kEventPropertiesCount;

}  // namespace rdstmc
