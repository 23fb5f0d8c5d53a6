// The RDS decoder in C.
#include <cstddef>
#include <cstring>
#include <new>

#include "c/same_layout.h"
#include "rdstmc_c.h"
#include "rdstmc_rds.h"

struct rdstmc_rds_decoder {
    rdstmc::RdsDecoder decoder;
};

namespace {

using rdstmc::RdsState;

// The C state is the C++ one with `size` in front: checked member by
// member, so the copy below cannot silently go wrong when either changes.
constexpr size_t kBase = offsetof(rdstmc_rds_state, pi);
#define SAME_PLACE(c, cpp) RDSTMC_SAME_PLACE(rdstmc_rds_state, kBase, c, RdsState, cpp)
SAME_PLACE(pi, pi);
SAME_PLACE(programme_type, programmeType);
SAME_PLACE(traffic_programme, trafficProgramme);
SAME_PLACE(traffic_announcement, trafficAnnouncement);
SAME_PLACE(music, music);
SAME_PLACE(decoder_identification, decoderIdentification);
SAME_PLACE(service_name, serviceName);
SAME_PLACE(radio_text, radioText);
SAME_PLACE(item_toggle, itemToggle);
SAME_PLACE(item_running, itemRunning);
SAME_PLACE(tag_count, tagCount);
SAME_PLACE(tags, tags);
SAME_PLACE(programme_item, programmeItem);
SAME_PLACE(extended_country_code, extendedCountryCode);
SAME_PLACE(language, language);
SAME_PLACE(frequency_count, frequencyCount);
SAME_PLACE(frequencies, frequencies);
SAME_PLACE(list_count, listCount);
SAME_PLACE(lists, lists);
SAME_PLACE(changed_list, changedList);
SAME_PLACE(other_network_count, otherNetworkCount);
SAME_PLACE(other_networks, otherNetworks);
SAME_PLACE(changed_other_network, changedOtherNetwork);
SAME_PLACE(programme_type_name, programmeTypeName);
SAME_PLACE(long_service_name, longServiceName);
SAME_PLACE(open_data_count, openDataCount);
SAME_PLACE(open_data, openData);
SAME_PLACE(has_clock, hasClock);
SAME_PLACE(offset_half_hours, offsetHalfHours);
#undef SAME_PLACE
static_assert(sizeof(rdstmc_rds_other_network) == sizeof(rdstmc::RdsOtherNetwork), "other network layout");
static_assert(offsetof(rdstmc_rds_other_network, last_frequency) == offsetof(rdstmc::RdsOtherNetwork, lastFrequency),
              "other network layout");
static_assert(offsetof(rdstmc_rds_other_network, mapped) == offsetof(rdstmc::RdsOtherNetwork, mapped),
              "other network layout");
static_assert(sizeof(rdstmc_rds_tag) == sizeof(rdstmc::RdsTag), "tag layout");
static_assert(sizeof(rdstmc_rds_frequency_list) == sizeof(rdstmc::RdsFrequencyList), "list layout");
static_assert(sizeof(rdstmc_rds_open_data) == sizeof(rdstmc::RdsOpenDataApplication), "open data layout");
static_assert(sizeof(rdstmc_rds_state) - kBase >= sizeof(RdsState), "state size");

}  // namespace

extern "C" {

rdstmc_rds_decoder* rdstmc_rds_decoder_new(void) {
    try {
        return new rdstmc_rds_decoder;
    } catch (...) {
        return nullptr;
    }
}
void rdstmc_rds_decoder_free(rdstmc_rds_decoder* decoder) { delete decoder; }

uint32_t rdstmc_rds_decoder_feed(rdstmc_rds_decoder* decoder, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    return decoder == nullptr ? 0 : decoder->decoder.Feed(a, b, c, d);
}

bool rdstmc_rds_decoder_state(const rdstmc_rds_decoder* decoder, rdstmc_rds_state* out) {
    if (decoder == nullptr || out == nullptr || out->size < sizeof *out) return false;
    std::memcpy(reinterpret_cast<char*>(out) + kBase, &decoder->decoder.State(), sizeof(RdsState));
    return true;
}

void rdstmc_rds_decoder_reset(rdstmc_rds_decoder* decoder) {
    if (decoder != nullptr) decoder->decoder.Reset();
}

const char* rdstmc_rds_programme_type_name(int code, bool rbds) { return rdstmc::RdsProgrammeTypeName(code, rbds); }
const char* rdstmc_rds_content_type_name(int code) { return rdstmc::RdsContentTypeName(code); }

}  // extern "C"
