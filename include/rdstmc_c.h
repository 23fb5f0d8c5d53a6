/*
 * rdstmc_c: the whole library as plain C, for C programs, other compilers
 * (Microsoft's links rdstmc.lib) and other languages' foreign-function
 * interfaces. The functions are thin calls into the code behind rdstmc.h,
 * rdstmc_ext.h, rdstmc_tmc.h and rdstmc_rds.h; read those for what each does.
 *
 *   if (!rdstmc_open("/dev/ttyUSB0", 38400)) return 1;
 *   rdstmc_connect_status(on_status, my_state);
 *   ...
 *   rdstmc_close();
 *
 * Conventions:
 * - Text is UTF-8 `const char*`; where rdstmc.h takes UTF-16 there is also a
 *   `_utf16` function taking `const uint16_t*`. Text written for the caller
 *   is cut to `capacity` bytes including the terminator, never mid-character.
 * - Callbacks are function pointers with a `void* user`, given back on every
 *   call. They are called on the library's threads (or, for a feed, inside
 *   rdstmc_feed), never with a library lock held.
 * - rdstmc_connect_... stores a callback in its slot, replacing any earlier
 *   one, false for a null function; rdstmc_disconnect_... empties the slot,
 *   false if it was empty. Called on your own thread, once they return the
 *   replaced callback is never called again (a call in progress is waited
 *   for), so its `user` may be freed. Do not hold a lock around them that
 *   your callbacks also take. Called from inside a callback they do not
 *   wait; a callback may always disconnect itself.
 * - Structures that grow in later versions begin with `size`: set it to
 *   sizeof the structure before the call. Every function is safe from any
 *   thread, except that one decoder, table or picture object must be used by
 *   one thread at a time.
 */
#ifndef RDSTMC_C_H
#define RDSTMC_C_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(RDSTMC_BUILDING_LIBRARY)
#define RDSTMC_C_API __declspec(dllexport)
#elif defined(RDSTMC_STATIC)
#define RDSTMC_C_API
#else
#define RDSTMC_C_API __declspec(dllimport)
#endif
#elif defined(RDSTMC_BUILDING_LIBRARY)
#define RDSTMC_C_API __attribute__((visibility("default")))
#else
#define RDSTMC_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Version ---------------------------------------------------------- */

/* The version of this header's interface; grows when functions or fields are added. */
#define RDSTMC_C_INTERFACE_VERSION 2

/* The loaded library's version, "major.minor.patch". */
RDSTMC_C_API const char* rdstmc_version(void);
/* The interface version the loaded library implements (compare with RDSTMC_C_INTERFACE_VERSION). */
RDSTMC_C_API int rdstmc_interface_version(void);

/* ---- Values ------------------------------------------------------------ */

/* Reception status (rdstmc_status). */
enum {
    RDSTMC_STATUS_STOPPED = 0,
    RDSTMC_STATUS_OPEN_FAILED = 1,
    RDSTMC_STATUS_NO_RDS = 2,
    RDSTMC_STATUS_RDS_ONLY = 3,
    RDSTMC_STATUS_TMC = 4
};

/* Tuner commands (rdstmc_control_tuner). */
enum {
    RDSTMC_TUNE = 0,
    RDSTMC_STEP_UP = 1,
    RDSTMC_STEP_DOWN = 2,
    RDSTMC_SEEK_UP = 3,
    RDSTMC_SEEK_DOWN = 4,
    RDSTMC_SEEK_UP_F470 = 5,
    RDSTMC_SEEK_DOWN_F470 = 6,
    RDSTMC_SEEK_UP_F502 = 7,
    RDSTMC_SEEK_DOWN_F502 = 8,
    RDSTMC_MODE_A1 = 9
};

/* Why an open or start failed (rdstmc_last_error): TmcError of rdstmc_ext.h. */
enum {
    RDSTMC_ERROR_NONE = 0,
    RDSTMC_ERROR_NOT_FOUND = 1,
    RDSTMC_ERROR_PERMISSION_DENIED = 2,
    RDSTMC_ERROR_IN_USE = 3,
    RDSTMC_ERROR_NOT_A_DEVICE = 4,
    RDSTMC_ERROR_BAD_RATE = 5,
    RDSTMC_ERROR_ALREADY_OPEN = 6,
    RDSTMC_ERROR_BAD_ARGUMENT = 7,
    RDSTMC_ERROR_BUSY = 8,
    RDSTMC_ERROR_NO_ANSWER = 9,
    RDSTMC_ERROR_OTHER = 10
};

/* RDS clock time as broadcast (UTC). */
typedef struct rdstmc_time {
    int year, month, day;
    int week_day;   /* 1 = Monday ... 7 = Sunday */
    int hour, minute;
    int reserved;
} rdstmc_time;

/* ---- Receivers --------------------------------------------------------
 *
 * The functions below act on one process-wide default receiver. Each has a
 * twin, rdstmc_receiver_ and the same name, whose first argument says which
 * receiver: one made by rdstmc_receiver_new, or NULL for the default. A
 * program may run any number at once, each on its own port, feed or
 * recording, each with its own state, callbacks, status and log.
 *
 * Threads: a receiver has its own reader or replay worker and status
 * worker; its callbacks are called on them (or inside its rdstmc_feed), one
 * at a time per receiver, and different receivers' callbacks may run at the
 * same time. A callback may use any receiver, its own included, except to
 * feed or free its own. The system-wide activity events (rdstmc_ext.h) are
 * shared: every receiver of every process sets them.
 */
typedef struct rdstmc_receiver rdstmc_receiver;

/* A receiver of its own, closed; NULL when there is no memory. */
RDSTMC_C_API rdstmc_receiver* rdstmc_receiver_new(void);
/* Closes it, stops its replay and log, disconnects its callbacks (waiting
 * for calls in progress) and frees it. Not from its own callbacks: then, or
 * if a callback does not return within seconds, it is closed but never
 * freed. NULL and the default receiver are left as they are. */
RDSTMC_C_API void rdstmc_receiver_free(rdstmc_receiver* receiver);

/* ---- Connection -------------------------------------------------------- */

RDSTMC_C_API bool rdstmc_open(const char* port, unsigned baud);
RDSTMC_C_API bool rdstmc_open_utf16(const uint16_t* port, unsigned baud);
RDSTMC_C_API bool rdstmc_close(void);
RDSTMC_C_API bool rdstmc_is_open(void);
RDSTMC_C_API bool rdstmc_reopen(void);
/* True while a port is open and its device has not gone away. */
RDSTMC_C_API bool rdstmc_is_device_present(void);

/* Why the last open, open_feed, reopen or start_simulation failed
 * (RDSTMC_ERROR_NONE after one that succeeded). */
RDSTMC_C_API int rdstmc_last_error(void);
/* A sentence a person understands, and a short name ("not_found",
 * "permission_denied", "in_use", "not_a_device", "bad_rate",
 * "already_open", "bad_argument", "busy", "no_answer", "other"). */
RDSTMC_C_API const char* rdstmc_error_text(int error);
RDSTMC_C_API const char* rdstmc_error_name(int error);

/* Takes the library's command sentences when a program brings its own
 * transport; true when the bytes were sent. */
typedef bool (*rdstmc_write_fn)(void* user, const char* bytes, size_t length);
/* Open a feed: the program hands received bytes to rdstmc_feed. */
RDSTMC_C_API bool rdstmc_open_feed(rdstmc_write_fn write, void* user);
RDSTMC_C_API bool rdstmc_feed(const void* bytes, size_t length);
/* One RDS group that came as a group, received at `tick` ms (see TmcFeedGroup in rdstmc_ext.h). */
RDSTMC_C_API bool rdstmc_feed_group(const uint16_t blocks[4], uint32_t tick);

/* ---- Queries: false, writing nothing, unless a port or replay runs ------- */

RDSTMC_C_API int rdstmc_get_status(void);
RDSTMC_C_API bool rdstmc_get_frequency(int* frequency);  /* 100 kHz units */
RDSTMC_C_API bool rdstmc_get_health(int* health);        /* 0-10 */
RDSTMC_C_API bool rdstmc_get_alternative_frequencies(int list[25]);
/* PI code and station name (UTF-8, at most 8 characters: 25 bytes are always enough). */
RDSTMC_C_API bool rdstmc_get_station(uint32_t* pi, char* name, size_t capacity);
RDSTMC_C_API bool rdstmc_get_station_utf16(uint32_t* pi, uint16_t* name, size_t capacity);
/* Radio text (at most 64 characters: 193 bytes are always enough). */
RDSTMC_C_API bool rdstmc_get_radio_text(char* text, size_t capacity);
RDSTMC_C_API bool rdstmc_get_radio_text_utf16(uint16_t* text, size_t capacity);
RDSTMC_C_API bool rdstmc_get_time(rdstmc_time* time);
/* When the sentence being handled was received, in milliseconds (see rdstmc_ext.h). */
RDSTMC_C_API bool rdstmc_get_sentence_tick(uint32_t* tick);

/* ---- Tuner control, recording and replay ------------------------------ */

RDSTMC_C_API bool rdstmc_control_tuner(int command, int value);
RDSTMC_C_API bool rdstmc_send_command(const char* text);
RDSTMC_C_API bool rdstmc_send_command_utf16(const uint16_t* text);
RDSTMC_C_API bool rdstmc_start_logging(const char* path);
RDSTMC_C_API bool rdstmc_start_logging_utf16(const uint16_t* path);
RDSTMC_C_API bool rdstmc_stop_logging(void);
RDSTMC_C_API bool rdstmc_start_simulation(const char* path);
RDSTMC_C_API bool rdstmc_start_simulation_utf16(const uint16_t* path);
RDSTMC_C_API bool rdstmc_stop_simulation(void);

/* Reads a recording without playing it: every valid RDS group it holds, in
 * order, with its record's millisecond stamp, at once. False when the file
 * cannot be read. */
typedef void (*rdstmc_recorded_group_fn)(void* user, uint32_t stamp, const uint16_t blocks[4]);
RDSTMC_C_API bool rdstmc_read_recording(const char* path, rdstmc_recorded_group_fn group, void* user);

/* ---- Callbacks ------------------------------------------------------------ */

/* tuner_mode: 1 after a tune or step, 0 after a receiver-driven search. */
typedef void (*rdstmc_frequency_fn)(void* user, int frequency, int quality, int tuner_mode);
RDSTMC_C_API bool rdstmc_connect_frequency(rdstmc_frequency_fn callback, void* user);
RDSTMC_C_API bool rdstmc_disconnect_frequency(void);

/* The decoded RDS items; any member may be null. Text comes as UTF-8 and as
 * UTF-16; pointers are valid only during the call. */
typedef struct rdstmc_rds_callbacks {
    size_t size;
    void (*radio_text)(void* user, const char* text, const uint16_t* text_utf16);
    void (*time)(void* user, const rdstmc_time* time);
    void (*station_name)(void* user, uint32_t pi, const char* name, const uint16_t* name_utf16);
    void (*alternative_frequencies)(void* user, const int list[25]);
} rdstmc_rds_callbacks;
/* The structure is copied. */
RDSTMC_C_API bool rdstmc_connect_rds(const rdstmc_rds_callbacks* callbacks, void* user);
RDSTMC_C_API bool rdstmc_disconnect_rds(void);

typedef void (*rdstmc_status_fn)(void* user, int status);
RDSTMC_C_API bool rdstmc_connect_status(rdstmc_status_fn callback, void* user);
RDSTMC_C_API bool rdstmc_disconnect_status(void);

/* Each new TMC-related group: word0 = A << 16 | B, word1 = C << 16 | D. */
typedef void (*rdstmc_raw_data_fn)(void* user, uint32_t word0, uint32_t word1);
RDSTMC_C_API bool rdstmc_connect_raw_data(rdstmc_raw_data_fn callback, void* user);
RDSTMC_C_API bool rdstmc_disconnect_raw_data(void);

/* Every RDS group, blocks A to D. */
typedef void (*rdstmc_group_fn)(void* user, const uint16_t blocks[4]);
RDSTMC_C_API bool rdstmc_connect_group(rdstmc_group_fn callback, void* user);
RDSTMC_C_API bool rdstmc_disconnect_group(void);

/* The open port's device went away (false) or is back (true). */
typedef void (*rdstmc_device_fn)(void* user, bool present);
RDSTMC_C_API bool rdstmc_connect_device(rdstmc_device_fn callback, void* user);
RDSTMC_C_API bool rdstmc_disconnect_device(void);

/* ---- The same, per receiver (NULL: the default one) ---------------------- */

RDSTMC_C_API bool rdstmc_receiver_open(rdstmc_receiver* r, const char* port, unsigned baud);
RDSTMC_C_API bool rdstmc_receiver_open_utf16(rdstmc_receiver* r, const uint16_t* port, unsigned baud);
RDSTMC_C_API bool rdstmc_receiver_close(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_is_open(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_reopen(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_is_device_present(rdstmc_receiver* r);
RDSTMC_C_API int rdstmc_receiver_last_error(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_open_feed(rdstmc_receiver* r, rdstmc_write_fn write, void* user);
RDSTMC_C_API bool rdstmc_receiver_feed(rdstmc_receiver* r, const void* bytes, size_t length);
RDSTMC_C_API bool rdstmc_receiver_feed_group(rdstmc_receiver* r, const uint16_t blocks[4], uint32_t tick);
RDSTMC_C_API int rdstmc_receiver_get_status(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_get_frequency(rdstmc_receiver* r, int* frequency);
RDSTMC_C_API bool rdstmc_receiver_get_health(rdstmc_receiver* r, int* health);
RDSTMC_C_API bool rdstmc_receiver_get_alternative_frequencies(rdstmc_receiver* r, int list[25]);
RDSTMC_C_API bool rdstmc_receiver_get_station(rdstmc_receiver* r, uint32_t* pi, char* name, size_t capacity);
RDSTMC_C_API bool rdstmc_receiver_get_station_utf16(rdstmc_receiver* r, uint32_t* pi, uint16_t* name, size_t capacity);
RDSTMC_C_API bool rdstmc_receiver_get_radio_text(rdstmc_receiver* r, char* text, size_t capacity);
RDSTMC_C_API bool rdstmc_receiver_get_radio_text_utf16(rdstmc_receiver* r, uint16_t* text, size_t capacity);
RDSTMC_C_API bool rdstmc_receiver_get_time(rdstmc_receiver* r, rdstmc_time* time);
RDSTMC_C_API bool rdstmc_receiver_get_sentence_tick(rdstmc_receiver* r, uint32_t* tick);
RDSTMC_C_API bool rdstmc_receiver_control_tuner(rdstmc_receiver* r, int command, int value);
RDSTMC_C_API bool rdstmc_receiver_send_command(rdstmc_receiver* r, const char* text);
RDSTMC_C_API bool rdstmc_receiver_send_command_utf16(rdstmc_receiver* r, const uint16_t* text);
RDSTMC_C_API bool rdstmc_receiver_start_logging(rdstmc_receiver* r, const char* path);
RDSTMC_C_API bool rdstmc_receiver_start_logging_utf16(rdstmc_receiver* r, const uint16_t* path);
RDSTMC_C_API bool rdstmc_receiver_stop_logging(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_start_simulation(rdstmc_receiver* r, const char* path);
RDSTMC_C_API bool rdstmc_receiver_start_simulation_utf16(rdstmc_receiver* r, const uint16_t* path);
RDSTMC_C_API bool rdstmc_receiver_stop_simulation(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_connect_frequency(rdstmc_receiver* r, rdstmc_frequency_fn callback, void* user);
RDSTMC_C_API bool rdstmc_receiver_disconnect_frequency(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_connect_rds(rdstmc_receiver* r, const rdstmc_rds_callbacks* callbacks, void* user);
RDSTMC_C_API bool rdstmc_receiver_disconnect_rds(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_connect_status(rdstmc_receiver* r, rdstmc_status_fn callback, void* user);
RDSTMC_C_API bool rdstmc_receiver_disconnect_status(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_connect_raw_data(rdstmc_receiver* r, rdstmc_raw_data_fn callback, void* user);
RDSTMC_C_API bool rdstmc_receiver_disconnect_raw_data(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_connect_group(rdstmc_receiver* r, rdstmc_group_fn callback, void* user);
RDSTMC_C_API bool rdstmc_receiver_disconnect_group(rdstmc_receiver* r);
RDSTMC_C_API bool rdstmc_receiver_connect_device(rdstmc_receiver* r, rdstmc_device_fn callback, void* user);
RDSTMC_C_API bool rdstmc_receiver_disconnect_device(rdstmc_receiver* r);

/* ---- TMC messages (rdstmc_tmc.h) -------------------------------------- */

enum { RDSTMC_TMC_MAX_EVENTS = 8, RDSTMC_TMC_MAX_ITEMS = 12 };

typedef struct rdstmc_tmc_message {
    size_t size;
    uint16_t pi;
    int ltn;                    /* -1 unknown */
    bool encrypted;
    int groups;
    int continuity_index;
    int duration;
    bool diversion;
    bool negative_direction;
    int extent;
    uint16_t location;
    int urgency_change;
    bool directionality_changed, duration_type_changed, spoken_duration_changed;
    int event_count;
    uint16_t events[RDSTMC_TMC_MAX_EVENTS];
    int event_block[RDSTMC_TMC_MAX_EVENTS];
    int length_of_route, speed_limit, start_time, stop_time;  /* -1 absent */
    int quantifier_count;
    struct { int event, bits, value; } quantifiers[RDSTMC_TMC_MAX_ITEMS];
    int supplementary_count;
    int supplementary[RDSTMC_TMC_MAX_ITEMS];
    int diversion_count;
    uint16_t diversion_route[RDSTMC_TMC_MAX_ITEMS];
    int destination_count;
    uint16_t destinations[RDSTMC_TMC_MAX_ITEMS];
    int cross_link_count;
    uint16_t cross_links[RDSTMC_TMC_MAX_ITEMS];
    bool reserved_labels;
    int ecc;                    /* -1 (or 0) unknown */
} rdstmc_tmc_message;

typedef struct rdstmc_tmc_system_info {
    size_t size;
    uint16_t pi, aid;
    int application_group;
    int ltn;
    bool afi, enhanced_mode;
    bool scope_international, scope_national, scope_regional, scope_urban;
    int gap, sid, ta, tw, td, ltcc;
    bool encrypted;
    int encryption_id, ltn_before_encryption;
    int ecc;
} rdstmc_tmc_system_info;

typedef struct rdstmc_tmc_tuning_info {
    size_t size;
    uint16_t pi;
    int variant;
    char provider_name[9];
    uint16_t other_pi;
    int alternative_frequencies[2];
    int tuning_frequency, mapped_frequency;
    uint16_t other_pis[2];
    int other_ltn, other_scope, other_sid;
} rdstmc_tmc_tuning_info;

/* Results of rdstmc_tmc_decoder_feed. */
enum {
    RDSTMC_TMC_NONE = 0,
    RDSTMC_TMC_SYSTEM_INFO = 1,
    RDSTMC_TMC_MESSAGE = 2,
    RDSTMC_TMC_TUNING_INFO = 3
};

typedef struct rdstmc_tmc_decoder rdstmc_tmc_decoder;
/* A decoder for one station; null only when memory ran out. */
RDSTMC_C_API rdstmc_tmc_decoder* rdstmc_tmc_decoder_new(void);
RDSTMC_C_API void rdstmc_tmc_decoder_free(rdstmc_tmc_decoder* decoder);
RDSTMC_C_API int rdstmc_tmc_decoder_feed(rdstmc_tmc_decoder* decoder, uint32_t word0, uint32_t word1);
RDSTMC_C_API void rdstmc_tmc_decoder_reset(rdstmc_tmc_decoder* decoder);
/* The last message, system information and tuning information; false for a
 * null argument or a `size` too small. */
RDSTMC_C_API bool rdstmc_tmc_decoder_message(const rdstmc_tmc_decoder* decoder, rdstmc_tmc_message* out);
RDSTMC_C_API bool rdstmc_tmc_decoder_system_info(const rdstmc_tmc_decoder* decoder, rdstmc_tmc_system_info* out);
RDSTMC_C_API bool rdstmc_tmc_decoder_tuning_info(const rdstmc_tmc_decoder* decoder, rdstmc_tmc_tuning_info* out);

/* Urgencies, natures, duration types and event kinds, as in rdstmc_tmc.h. */
enum { RDSTMC_URGENCY_NORMAL = 0, RDSTMC_URGENCY_URGENT = 1, RDSTMC_URGENCY_EXTREMELY_URGENT = 2 };
enum { RDSTMC_NATURE_INFORMATION = 0, RDSTMC_NATURE_FORECAST = 1, RDSTMC_NATURE_SILENT = 2 };
enum { RDSTMC_DURATION_UNSPECIFIED = 0, RDSTMC_DURATION_DYNAMIC = 1, RDSTMC_DURATION_LONGER_LASTING = 2 };
enum { RDSTMC_EVENT_ORDINARY = 0, RDSTMC_EVENT_CANCELLATION = 1, RDSTMC_EVENT_NULL = 2 };

typedef struct rdstmc_event_properties {
    size_t size;
    int code, nature, quantifier_type, duration_type;
    bool duration_spoken;
    int directionality, urgency, update_class, kind;
} rdstmc_event_properties;

/* The built-in properties of event `code`; false when the event list has none. */
RDSTMC_C_API bool rdstmc_event_info(int code, rdstmc_event_properties* out);
RDSTMC_C_API int rdstmc_urgency_of(const rdstmc_tmc_message* message);
RDSTMC_C_API const char* rdstmc_urgency_name(int urgency);
/* The quantifier in words; returns the bytes the whole text needs (with its terminator). */
RDSTMC_C_API size_t rdstmc_quantifier_text(int type, int value, char* text, size_t capacity);
RDSTMC_C_API bool rdstmc_clock_time_of(uint32_t word0, uint32_t word1, int64_t* utc_seconds, int* local_offset_minutes);
RDSTMC_C_API int64_t rdstmc_message_expiry(const rdstmc_tmc_message* message, int64_t received, int local_offset_minutes);

/* ---- Tables loaded at run time ------------------------------------------
 * Functions that write text return the bytes the whole text needs (with its
 * terminator), so a caller can retry with a larger buffer; 0 for bad arguments. */

typedef struct rdstmc_event_table rdstmc_event_table;
RDSTMC_C_API rdstmc_event_table* rdstmc_event_table_new(void);
RDSTMC_C_API void rdstmc_event_table_free(rdstmc_event_table* table);
RDSTMC_C_API bool rdstmc_event_table_load(rdstmc_event_table* table, const char* path, char* error, size_t capacity);
RDSTMC_C_API size_t rdstmc_event_table_text(const rdstmc_event_table* table, int code, char* text, size_t capacity);
RDSTMC_C_API size_t rdstmc_event_table_text_of(const rdstmc_event_table* table, const rdstmc_tmc_message* message,
                                               int index, char* text, size_t capacity);
RDSTMC_C_API int rdstmc_event_table_urgency_of(const rdstmc_event_table* table, const rdstmc_tmc_message* message);
RDSTMC_C_API size_t rdstmc_event_table_size(const rdstmc_event_table* table);

typedef struct rdstmc_place {
    size_t size;
    uint16_t location;
    char type;                  /* 'P', 'L' or 'A' */
    char first_name[128], second_name[128], junction[32];
    bool has_coordinates;
    double longitude, latitude;
} rdstmc_place;

typedef struct rdstmc_stretch {
    size_t size;
    rdstmc_place primary, secondary;
    int steps;
    bool chain_ended;
    char road_number[32], road_name[256], towards[128];
    size_t point_count;         /* all the stretch's points, even beyond the caller's array */
} rdstmc_stretch;

typedef struct rdstmc_location_table rdstmc_location_table;
RDSTMC_C_API rdstmc_location_table* rdstmc_location_table_new(void);
RDSTMC_C_API void rdstmc_location_table_free(rdstmc_location_table* table);
RDSTMC_C_API bool rdstmc_location_table_load(rdstmc_location_table* table, const char* directory, char* error,
                                             size_t capacity);
/* `ecc` -1 when unknown. */
RDSTMC_C_API size_t rdstmc_location_table_describe(const rdstmc_location_table* table, uint16_t pi, int ltn,
                                                   uint16_t location, int ecc, char* text, size_t capacity);
/* The stretch, and its first `capacity` points into `points` (may be null for 0). */
RDSTMC_C_API bool rdstmc_location_table_stretch(const rdstmc_location_table* table, const rdstmc_tmc_message* message,
                                                rdstmc_stretch* out, rdstmc_place* points, size_t capacity);
RDSTMC_C_API size_t rdstmc_location_table_size(const rdstmc_location_table* table);

/* ---- The traffic picture ------------------------------------------------- */

enum { RDSTMC_CHANGE_NEW = 0, RDSTMC_CHANGE_UPDATE = 1, RDSTMC_CHANGE_CANCEL = 2, RDSTMC_CHANGE_EXPIRE = 3 };

/* Times in seconds since 1970, UTC. */
typedef struct rdstmc_stored_message {
    size_t size;
    rdstmc_tmc_message message;
    int update_class;
    int64_t first_received, last_received, expires;
} rdstmc_stored_message;

/* Told each change during the call that makes it; `message` is valid during the call. */
typedef void (*rdstmc_change_fn)(void* user, int change, const rdstmc_stored_message* message);

typedef struct rdstmc_picture rdstmc_picture;
RDSTMC_C_API rdstmc_picture* rdstmc_picture_new(size_t capacity);
RDSTMC_C_API void rdstmc_picture_free(rdstmc_picture* picture);
RDSTMC_C_API void rdstmc_picture_set_local_offset(rdstmc_picture* picture, int minutes);
RDSTMC_C_API int rdstmc_picture_local_offset(const rdstmc_picture* picture);
/* False, changing nothing, for a null or too small message. `changed` may be null. */
RDSTMC_C_API bool rdstmc_picture_apply(rdstmc_picture* picture, const rdstmc_tmc_message* message, int64_t now,
                                       rdstmc_change_fn changed, void* user);
RDSTMC_C_API void rdstmc_picture_advance(rdstmc_picture* picture, int64_t now, rdstmc_change_fn changed, void* user);
RDSTMC_C_API size_t rdstmc_picture_size(const rdstmc_picture* picture);
/* False for an index past the end. */
RDSTMC_C_API bool rdstmc_picture_at(const rdstmc_picture* picture, size_t index, rdstmc_stored_message* out);
RDSTMC_C_API void rdstmc_picture_clear(rdstmc_picture* picture);
/* The picture as text (returns the bytes the whole text needs), and back:
 * restore takes the whole text or nothing and drops what ended by `now`. */
RDSTMC_C_API size_t rdstmc_picture_serialize(const rdstmc_picture* picture, char* text, size_t capacity);
RDSTMC_C_API bool rdstmc_picture_restore(rdstmc_picture* picture, const char* text, int64_t now, char* error,
                                         size_t capacity);
RDSTMC_C_API bool rdstmc_picture_save(const rdstmc_picture* picture, const char* path, char* error, size_t capacity);
RDSTMC_C_API bool rdstmc_picture_load(rdstmc_picture* picture, const char* path, int64_t now, char* error,
                                      size_t capacity);

/* ---- All of RDS (rdstmc_rds.h) ----------------------------------------- */

enum {
    RDSTMC_RDS_MAX_FREQUENCIES = 25,
    RDSTMC_RDS_MAX_FREQUENCY_LISTS = 64,
    RDSTMC_RDS_MAX_OTHER_NETWORKS = 16,
    RDSTMC_RDS_MAX_MAPPED_FREQUENCIES = 8,
    RDSTMC_RDS_MAX_OPEN_DATA = 8,
    RDSTMC_RDS_NAME_BYTES = 25,
    RDSTMC_RDS_TEXT_BYTES = 193,
    RDSTMC_RDS_LONG_NAME_BYTES = 33
};

/* Bits of rdstmc_rds_decoder_feed's result, as RdsChange in rdstmc_rds.h. */
enum {
    RDSTMC_RDS_PI = 1 << 0,
    RDSTMC_RDS_PROGRAMME_TYPE = 1 << 1,
    RDSTMC_RDS_TRAFFIC_PROGRAMME = 1 << 2,
    RDSTMC_RDS_TRAFFIC_ANNOUNCEMENT = 1 << 3,
    RDSTMC_RDS_MUSIC = 1 << 4,
    RDSTMC_RDS_DECODER_IDENTIFICATION = 1 << 5,
    RDSTMC_RDS_SERVICE_NAME = 1 << 6,
    RDSTMC_RDS_RADIO_TEXT = 1 << 7,
    RDSTMC_RDS_RADIO_TEXT_PLUS = 1 << 8,
    RDSTMC_RDS_PROGRAMME_ITEM = 1 << 9,
    RDSTMC_RDS_COUNTRY = 1 << 10,
    RDSTMC_RDS_LANGUAGE = 1 << 11,
    RDSTMC_RDS_FREQUENCIES_A = 1 << 12,
    RDSTMC_RDS_FREQUENCIES_B = 1 << 13,
    RDSTMC_RDS_OTHER_NETWORK = 1 << 14,
    RDSTMC_RDS_PROGRAMME_TYPE_NAME = 1 << 15,
    RDSTMC_RDS_LONG_SERVICE_NAME = 1 << 16,
    RDSTMC_RDS_OPEN_DATA = 1 << 17,
    RDSTMC_RDS_CLOCK = 1 << 18
};

typedef struct rdstmc_rds_programme_item {
    int day, hour, minute;
} rdstmc_rds_programme_item;

typedef struct rdstmc_rds_frequency_list {
    int tuned;
    int same_count;
    int same[RDSTMC_RDS_MAX_FREQUENCIES];
    int regional_count;
    int regional[RDSTMC_RDS_MAX_FREQUENCIES];
} rdstmc_rds_frequency_list;

typedef struct rdstmc_rds_tag {
    int content_type;
    int start, length;
    char text[RDSTMC_RDS_TEXT_BYTES];
} rdstmc_rds_tag;

typedef struct rdstmc_rds_other_network {
    uint16_t pi;
    char name[RDSTMC_RDS_NAME_BYTES];
    int programme_type;
    bool traffic_programme, traffic_announcement;
    rdstmc_rds_programme_item programme_item;
    int linkage;
    int frequency_count;
    int frequencies[RDSTMC_RDS_MAX_FREQUENCIES];
    int mapped_count;
    struct { int tuned, other; } mapped[RDSTMC_RDS_MAX_MAPPED_FREQUENCIES];
    int last_frequency;
} rdstmc_rds_other_network;

typedef struct rdstmc_rds_open_data {
    int group_type;
    uint16_t aid;
} rdstmc_rds_open_data;

/* All a decoder knows of its station; -1 marks a number not yet received. */
typedef struct rdstmc_rds_state {
    size_t size;
    int pi;
    int programme_type;
    int traffic_programme, traffic_announcement, music;
    int decoder_identification;
    char service_name[RDSTMC_RDS_NAME_BYTES];
    char radio_text[RDSTMC_RDS_TEXT_BYTES];
    bool item_toggle, item_running;
    int tag_count;
    rdstmc_rds_tag tags[2];
    rdstmc_rds_programme_item programme_item;
    int extended_country_code;
    int language;
    int frequency_count;
    int frequencies[RDSTMC_RDS_MAX_FREQUENCIES];
    int list_count;
    rdstmc_rds_frequency_list lists[RDSTMC_RDS_MAX_FREQUENCY_LISTS];
    int changed_list;
    int other_network_count;
    rdstmc_rds_other_network other_networks[RDSTMC_RDS_MAX_OTHER_NETWORKS];
    int changed_other_network;
    char programme_type_name[RDSTMC_RDS_NAME_BYTES];
    char long_service_name[RDSTMC_RDS_LONG_NAME_BYTES];
    int open_data_count;
    rdstmc_rds_open_data open_data[RDSTMC_RDS_MAX_OPEN_DATA];
    bool has_clock;
    int year, month, day, hour, minute, offset_half_hours;
} rdstmc_rds_state;

typedef struct rdstmc_rds_decoder rdstmc_rds_decoder;
RDSTMC_C_API rdstmc_rds_decoder* rdstmc_rds_decoder_new(void);
RDSTMC_C_API void rdstmc_rds_decoder_free(rdstmc_rds_decoder* decoder);
RDSTMC_C_API uint32_t rdstmc_rds_decoder_feed(rdstmc_rds_decoder* decoder, uint16_t a, uint16_t b, uint16_t c,
                                              uint16_t d);
RDSTMC_C_API bool rdstmc_rds_decoder_state(const rdstmc_rds_decoder* decoder, rdstmc_rds_state* out);
RDSTMC_C_API void rdstmc_rds_decoder_reset(rdstmc_rds_decoder* decoder);
RDSTMC_C_API const char* rdstmc_rds_programme_type_name(int code, bool rbds);
RDSTMC_C_API const char* rdstmc_rds_content_type_name(int code);

#ifdef __cplusplus
}
#endif

#endif /* RDSTMC_C_H */
