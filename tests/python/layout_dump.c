/* The layout of every structure of rdstmc_c.h that the Python module
 * mirrors, as JSON, compiled from the header itself: the module's ctypes
 * declarations are checked against it (test_layout.py). */
#include <stddef.h>
#include <stdio.h>

#include "rdstmc_c.h"

static int g_first_struct = 1, g_first_field;

static void open_struct(const char* name, size_t size) {
    printf("%s\"%s\": {\"size\": %zu, \"fields\": {", g_first_struct ? "{" : ", ", name, size);
    g_first_struct = 0;
    g_first_field = 1;
}
static void field(const char* name, size_t offset) {
    printf("%s\"%s\": %zu", g_first_field ? "" : ", ", name, offset);
    g_first_field = 0;
}
static void close_struct(void) { printf("}}"); }

#define STRUCT(type) open_struct(#type, sizeof(type))
#define FIELD(type, name) field(#name, offsetof(type, name))

int main(void) {
    typedef struct rdstmc_tmc_message m;
    STRUCT(rdstmc_time);
    FIELD(rdstmc_time, year); FIELD(rdstmc_time, month); FIELD(rdstmc_time, day); FIELD(rdstmc_time, week_day);
    FIELD(rdstmc_time, hour); FIELD(rdstmc_time, minute); FIELD(rdstmc_time, reserved);
    close_struct();
    STRUCT(rdstmc_tmc_message);
    FIELD(m, size); FIELD(m, pi); FIELD(m, ltn); FIELD(m, encrypted); FIELD(m, groups); FIELD(m, continuity_index);
    FIELD(m, duration); FIELD(m, diversion); FIELD(m, negative_direction); FIELD(m, extent); FIELD(m, location);
    FIELD(m, urgency_change); FIELD(m, directionality_changed); FIELD(m, duration_type_changed);
    FIELD(m, spoken_duration_changed); FIELD(m, event_count); FIELD(m, events); FIELD(m, event_block);
    FIELD(m, length_of_route); FIELD(m, speed_limit); FIELD(m, start_time); FIELD(m, stop_time);
    FIELD(m, quantifier_count); FIELD(m, quantifiers); FIELD(m, supplementary_count); FIELD(m, supplementary);
    FIELD(m, diversion_count); FIELD(m, diversion_route); FIELD(m, destination_count); FIELD(m, destinations);
    FIELD(m, cross_link_count); FIELD(m, cross_links); FIELD(m, reserved_labels); FIELD(m, ecc);
    close_struct();
    STRUCT(rdstmc_stored_message);
    FIELD(rdstmc_stored_message, size); FIELD(rdstmc_stored_message, message);
    FIELD(rdstmc_stored_message, update_class); FIELD(rdstmc_stored_message, first_received);
    FIELD(rdstmc_stored_message, last_received); FIELD(rdstmc_stored_message, expires);
    close_struct();
    STRUCT(rdstmc_event_properties);
    FIELD(rdstmc_event_properties, size); FIELD(rdstmc_event_properties, code); FIELD(rdstmc_event_properties, nature);
    FIELD(rdstmc_event_properties, quantifier_type); FIELD(rdstmc_event_properties, duration_type);
    FIELD(rdstmc_event_properties, duration_spoken); FIELD(rdstmc_event_properties, directionality);
    FIELD(rdstmc_event_properties, urgency); FIELD(rdstmc_event_properties, update_class);
    FIELD(rdstmc_event_properties, kind);
    close_struct();
    STRUCT(rdstmc_rds_callbacks);
    FIELD(rdstmc_rds_callbacks, size); FIELD(rdstmc_rds_callbacks, radio_text); FIELD(rdstmc_rds_callbacks, time);
    FIELD(rdstmc_rds_callbacks, station_name); FIELD(rdstmc_rds_callbacks, alternative_frequencies);
    close_struct();
    printf("}\n");
    return 0;
}
