/* Scenarios written in C against rdstmc_c.h, run by c_interface_test.cpp
 * with a receiver emulator on a pseudo-terminal. Each returns null when it
 * went as expected, else what failed. */
#ifndef RDSTMC_TEST_C_CLIENT_H
#define RDSTMC_TEST_C_CLIENT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The harness: frames `body` ("$PLT..", no checksum) and sends it to the
 * library; waits until the library has written `count` lines beginning with
 * `prefix` and returns how many it wrote (fewer at the deadline). */
typedef struct c_harness {
    void* self;
    int (*send)(void* self, const char* body);
    size_t (*wait_for_lines)(void* self, const char* prefix, size_t count);
} c_harness;

const char* c_receives_station_text_and_tmc(const char* device, const c_harness* harness);
const char* c_controls_logs_and_replays(const char* device, const c_harness* harness, const char* log_path);
const char* c_decodes_and_keeps_messages(const char* recording);
const char* c_refuses_bad_arguments(void);
const char* c_two_receivers_hear_each_their_own(const char* devices[2], const c_harness* harnesses[2]);

#ifdef __cplusplus
}
#endif

#endif
