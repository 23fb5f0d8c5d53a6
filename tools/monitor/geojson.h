// The traffic picture as a map layer: a GeoJSON FeatureCollection (RFC 7946)
// with one feature per stored message.
#pragma once
#include <string>
#include <vector>

#include <rdstmc_tmc.h>

namespace rdstmc::monitor {

// Each feature's geometry runs from the message's primary location to its
// secondary one ([longitude, latitude] in degrees): a LineString, a Point
// when one location has coordinates, null when the location is not in
// `locations` (or none is given). Properties: pi, location, direction,
// extent, events, update_class, expires, and with tables road, from, to,
// towards, text.
std::string GeoJson(const std::vector<TmcStoredMessage>& messages, const EventTable* events,
                    const LocationTable* locations);

}  // namespace rdstmc::monitor
