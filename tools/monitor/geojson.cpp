#include "geojson.h"

#include <cstdio>

#include "tool_support.h"
#include "view.h"

namespace rdstmc::monitor {
namespace {

std::string Coordinate(double degrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.5f", degrees);
    return text;
}

std::string Geometry(const TmcStretch* stretch) {
    std::vector<std::string> points;
    if (stretch != nullptr) {
        for (const TmcPlace& p : stretch->points) {
            if (p.hasCoordinates) points.push_back("[" + Coordinate(p.longitude) + "," + Coordinate(p.latitude) + "]");
        }
    }
    if (points.empty()) return "null";
    if (points.size() == 1) return "{\"type\":\"Point\",\"coordinates\":" + points[0] + "}";
    std::string line;
    for (const std::string& p : points) line += (line.empty() ? "" : ",") + p;
    return "{\"type\":\"LineString\",\"coordinates\":[" + line + "]}";
}

std::string Feature(const TmcStoredMessage& s, const EventTable* events, const LocationTable* locations) {
    const TmcMessage& m = s.message;
    TmcStretch stretch;
    const bool found = locations != nullptr && locations->Stretch(m, stretch);
    std::string codes, texts;
    for (int i = 0; i < m.eventCount; ++i) {
        codes += (i ? "," : "") + std::to_string(m.events[i]);
        const std::string words = events ? events->TextOf(m, i) : "";
        if (!words.empty()) texts += (texts.empty() ? "" : ". ") + words;
    }
    char pi[8];
    std::snprintf(pi, sizeof pi, "%04X", m.pi);
    std::string properties = std::string("\"pi\":\"") + pi + "\",\"location\":" + std::to_string(m.location) +
                             ",\"direction\":\"" + (m.negativeDirection ? "negative" : "positive") +
                             "\",\"extent\":" + std::to_string(m.extent) + ",\"events\":[" + codes +
                             "],\"update_class\":" + std::to_string(s.updateClass) + ",\"expires\":\"" +
                             tools::IsoUtc(s.expires) + "\"";
    if (m.encrypted) properties += ",\"location_encrypted\":true";
    if (found) {
        properties += ",\"road\":" + JsonString(RoadWords(stretch)) + ",\"from\":" +
                      JsonString(PlaceWords(stretch.primary)) + ",\"to\":" + JsonString(PlaceWords(stretch.secondary)) +
                      ",\"towards\":" + JsonString(stretch.towards);
    }
    if (!texts.empty()) properties += ",\"text\":" + JsonString(texts);
    return "{\"type\":\"Feature\",\"geometry\":" + Geometry(found ? &stretch : nullptr) + ",\"properties\":{" +
           properties + "}}";
}

}  // namespace

std::string GeoJson(const std::vector<TmcStoredMessage>& messages, const EventTable* events,
                    const LocationTable* locations) {
    std::string features;
    for (const TmcStoredMessage& s : messages) {
        features += (features.empty() ? "\n" : ",\n") + Feature(s, events, locations);
    }
    return "{\"type\":\"FeatureCollection\",\"features\":[" + features + "\n]}\n";
}

}  // namespace rdstmc::monitor
