/* The library used from C, as a C program uses it. */
#define _POSIX_C_SOURCE 200809L
#include "c_client.h"

#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "rdstmc_c.h"

#define CHECK(condition)                                   \
    do {                                                   \
        if (!(condition)) return __FILE__ ": " #condition; \
    } while (0)

/* What the callbacks heard; they run on the library's threads. */
typedef struct heard {
    pthread_mutex_t lock;
    int status, frequency, quality, tuner_mode;
    uint32_t pi;
    char station[32], text[256];
    uint16_t text_utf16[80];
    int af6, first_groups, groups, raw_groups, tmc_messages, status_changes;
    uint16_t location;
    rdstmc_tmc_decoder* decoder;
} heard;

static heard g_heard = {.lock = PTHREAD_MUTEX_INITIALIZER};

static void sleep_ms(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

/* Polls `done` until it holds, for at most ten seconds. */
static int wait_for(int (*done)(void)) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) return 1;
        sleep_ms(10);
    }
    return 0;
}

static void on_status(void* user, int status) {
    heard* h = user;
    pthread_mutex_lock(&h->lock);
    h->status = status;
    h->status_changes++;
    pthread_mutex_unlock(&h->lock);
}

static void on_frequency(void* user, int frequency, int quality, int tuner_mode) {
    heard* h = user;
    pthread_mutex_lock(&h->lock);
    h->frequency = frequency;
    h->quality = quality;
    h->tuner_mode = tuner_mode;
    pthread_mutex_unlock(&h->lock);
}

static void on_station(void* user, uint32_t pi, const char* name, const uint16_t* name_utf16) {
    heard* h = user;
    (void)name_utf16;
    pthread_mutex_lock(&h->lock);
    h->pi = pi;
    snprintf(h->station, sizeof h->station, "%s", name);
    pthread_mutex_unlock(&h->lock);
}

static void on_text(void* user, const char* text, const uint16_t* text_utf16) {
    heard* h = user;
    pthread_mutex_lock(&h->lock);
    snprintf(h->text, sizeof h->text, "%s", text);
    size_t n = 0;
    while (text_utf16[n] != 0 && n < 79) {
        h->text_utf16[n] = text_utf16[n];
        ++n;
    }
    h->text_utf16[n] = 0;
    pthread_mutex_unlock(&h->lock);
}

static void on_frequencies(void* user, const int list[25]) {
    heard* h = user;
    pthread_mutex_lock(&h->lock);
    h->af6 = list[6];
    pthread_mutex_unlock(&h->lock);
}

static void on_group(void* user, const uint16_t blocks[4]) {
    heard* h = user;
    (void)blocks;
    pthread_mutex_lock(&h->lock);
    h->groups++;
    pthread_mutex_unlock(&h->lock);
}

/* The first group's callback hands its slot to on_group from inside its
 * own call, which must neither wait for itself nor lose or repeat a group. */
static void on_first_group(void* user, const uint16_t blocks[4]) {
    heard* h = user;
    (void)blocks;
    pthread_mutex_lock(&h->lock);
    h->first_groups++;
    pthread_mutex_unlock(&h->lock);
    rdstmc_connect_group(on_group, user);
}

/* Raw TMC groups go straight into a decoder, as a traffic program does. */
static void on_raw(void* user, uint32_t word0, uint32_t word1) {
    heard* h = user;
    pthread_mutex_lock(&h->lock);
    h->raw_groups++;
    if (rdstmc_tmc_decoder_feed(h->decoder, word0, word1) == RDSTMC_TMC_MESSAGE) {
        rdstmc_tmc_message m;
        m.size = sizeof m;
        if (rdstmc_tmc_decoder_message(h->decoder, &m)) {
            h->tmc_messages++;
            h->location = m.location;
        }
    }
    pthread_mutex_unlock(&h->lock);
}

static int locked_int(const int* field) {
    pthread_mutex_lock(&g_heard.lock);
    const int value = *field;
    pthread_mutex_unlock(&g_heard.lock);
    return value;
}

/* The group listener has had all 14 groups of kStation, and the raw
 * listener both TMC messages. */
static int have_all_groups(void) {
    pthread_mutex_lock(&g_heard.lock);
    const int done = g_heard.first_groups + g_heard.groups >= 14 && g_heard.tmc_messages >= 2;
    pthread_mutex_unlock(&g_heard.lock);
    return done;
}
static int have_text(void) {
    pthread_mutex_lock(&g_heard.lock);
    const int done = g_heard.text[0] != 0;
    pthread_mutex_unlock(&g_heard.lock);
    return done;
}
static int have_tmc_status(void) { return locked_int(&g_heard.status) == RDSTMC_STATUS_TMC; }
static int is_stopped(void) { return rdstmc_get_status() == RDSTMC_STATUS_STOPPED; }

static const char* const kStation[] = {
    "$PLTTQ,9690,50,0,0,0",
    "$PLTCH,\"JACK FM \"",
    "$PLTTR,0,25089,247,59140,21321", "$PLTTR,0,25089,240,8727,22860",
    "$PLTTR,0,25089,241,4409,17696",  "$PLTTR,0,25089,242,2580,22859",
    "$PLTTR,0,51540,9456,19009,17227", "$PLTTR,0,51540,9457,8249,13870",
    "$PLTTR,0,51540,9458,14605,0",
    /* A TMC message of three groups, with the copies stations send. */
    "$PLTTR,0,41473,32776,18004,32919", "$PLTTR,0,41473,12304,100,52550",
    "$PLTTR,0,41473,32770,50753,31273", "$PLTTR,0,41473,32770,21527,18647",
    "$PLTTR,0,41473,12304,16384,52550", "$PLTTR,0,41473,32770,21527,18647",
    "$PLTTR,0,41473,32770,3731,59392",
};

const char* c_receives_station_text_and_tmc(const char* device, const c_harness* harness) {
    g_heard.decoder = rdstmc_tmc_decoder_new();
    CHECK(g_heard.decoder != NULL);
    rdstmc_rds_callbacks rds = {sizeof rds, on_text, NULL, on_station, on_frequencies};
    CHECK(rdstmc_connect_status(on_status, &g_heard));
    CHECK(rdstmc_connect_frequency(on_frequency, &g_heard));
    CHECK(rdstmc_connect_rds(&rds, &g_heard));
    CHECK(rdstmc_connect_group(on_first_group, &g_heard));
    CHECK(rdstmc_connect_raw_data(on_raw, &g_heard));

    CHECK(rdstmc_open(device, 38400));
    CHECK(rdstmc_is_open());
    for (size_t i = 0; i < sizeof kStation / sizeof *kStation; ++i) CHECK(harness->send(harness->self, kStation[i]));
    CHECK(wait_for(have_all_groups) && wait_for(have_text) && wait_for(have_tmc_status));

    pthread_mutex_lock(&g_heard.lock);
    const heard h = g_heard;
    pthread_mutex_unlock(&g_heard.lock);
    CHECK(h.frequency == 969 && h.quality == 50 && h.tuner_mode == 1);
    CHECK(strcmp(h.station, "JACK FM ") == 0);
    CHECK(strcmp(h.text, "JACK 96.9") == 0 && h.text_utf16[0] == 'J' && h.text_utf16[9] == 0);
    CHECK(h.af6 == 895);
    /* A single-group message, then the three-group one. */
    CHECK(h.first_groups == 1 && h.groups == 13);
    CHECK(h.tmc_messages == 2 && h.location == 31273);

    int frequency = 0, health = -1, af[25];
    uint32_t pi = 0, tick = 0;
    char name[25], text[193], small[5];
    uint16_t name16[9];
    CHECK(rdstmc_get_frequency(&frequency) && frequency == 969);
    CHECK(rdstmc_get_health(&health) && health == 9);
    CHECK(rdstmc_get_alternative_frequencies(af) && af[0] == 879);
    CHECK(rdstmc_get_station(&pi, name, sizeof name) && pi == 25089 && strcmp(name, "JACK FM ") == 0);
    CHECK(rdstmc_get_station_utf16(&pi, name16, 9) && name16[0] == 'J' && name16[8] == 0);
    CHECK(rdstmc_get_radio_text(text, sizeof text) && strcmp(text, "JACK 96.9") == 0);
    CHECK(rdstmc_get_radio_text(small, sizeof small) && strcmp(small, "JACK") == 0);
    CHECK(rdstmc_get_sentence_tick(&tick));
    CHECK(rdstmc_is_device_present());

    CHECK(rdstmc_disconnect_rds());
    CHECK(!rdstmc_disconnect_rds());
    CHECK(rdstmc_close());
    CHECK(!rdstmc_is_open());
    CHECK(wait_for(is_stopped));
    CHECK(locked_int(&g_heard.status) == RDSTMC_STATUS_STOPPED);
    rdstmc_disconnect_status();
    rdstmc_disconnect_frequency();
    rdstmc_disconnect_group();
    rdstmc_disconnect_raw_data();
    rdstmc_tmc_decoder_free(g_heard.decoder);
    g_heard.decoder = NULL;
    return NULL;
}

static int g_recorded;
static void count_group(void* user, uint32_t stamp, const uint16_t blocks[4]) {
    (void)stamp;
    (void)blocks;
    ++*(int*)user;
}

static const char* g_log_path;
static int log_has_the_station(void) {
    g_recorded = 0;
    return rdstmc_read_recording(g_log_path, count_group, &g_recorded) && g_recorded == 1;
}
static int replay_gave_the_station(void) {
    uint32_t pi = 0;
    char name[25];
    return rdstmc_get_station(&pi, name, sizeof name) && pi == 0x6201;
}

const char* c_controls_logs_and_replays(const char* device, const c_harness* harness, const char* log_path) {
    g_log_path = log_path;
    CHECK(rdstmc_start_logging(log_path));
    CHECK(!rdstmc_start_logging(log_path));
    CHECK(rdstmc_open(device, 38400));
    CHECK(rdstmc_control_tuner(RDSTMC_TUNE, 969));
    CHECK(harness->wait_for_lines(harness->self, "$PLTCM,H2,9690*", 1) == 1);
    CHECK(!rdstmc_control_tuner(42, 0));
    CHECK(rdstmc_send_command("$PLTFD,1"));
    CHECK(harness->wait_for_lines(harness->self, "$PLTFD,1*", 1) == 1);
    CHECK(!rdstmc_send_command("$PLT\xc3\xa9"));  /* commands are ASCII */

    CHECK(harness->send(harness->self, "$PLTTR,0,25089,0,0,0"));
    CHECK(wait_for(log_has_the_station));
    CHECK(rdstmc_close());
    CHECK(rdstmc_stop_logging());
    CHECK(!rdstmc_stop_logging());

    /* The log plays back in place of the receiver. */
    CHECK(rdstmc_start_simulation(log_path));
    CHECK(!rdstmc_open(device, 38400));
    CHECK(wait_for(replay_gave_the_station));
    CHECK(rdstmc_stop_simulation());
    CHECK(!rdstmc_stop_simulation());
    return NULL;
}

typedef struct offline {
    rdstmc_tmc_decoder* decoder;
    rdstmc_picture* picture;
    int groups, messages, changes[4];
    uint32_t last_stamp;
} offline;

static void on_change(void* user, int change, const rdstmc_stored_message* stored) {
    offline* o = user;
    if (change >= 0 && change < 4 && stored->message.event_count > 0) o->changes[change]++;
}

static void on_recorded_group(void* user, uint32_t stamp, const uint16_t blocks[4]) {
    offline* o = user;
    o->groups++;
    o->last_stamp = stamp;
    const uint32_t word0 = (uint32_t)blocks[0] << 16 | blocks[1], word1 = (uint32_t)blocks[2] << 16 | blocks[3];
    if (rdstmc_tmc_decoder_feed(o->decoder, word0, word1) != RDSTMC_TMC_MESSAGE) return;
    rdstmc_tmc_message m;
    m.size = sizeof m;
    if (!rdstmc_tmc_decoder_message(o->decoder, &m)) return;
    o->messages++;
    rdstmc_picture_apply(o->picture, &m, 1700000000 + stamp / 1000, on_change, o);
}

const char* c_decodes_and_keeps_messages(const char* recording) {
    offline o = {rdstmc_tmc_decoder_new(), rdstmc_picture_new(100), 0, 0, {0, 0, 0, 0}, 0};
    CHECK(o.decoder != NULL && o.picture != NULL);
    CHECK(rdstmc_read_recording(recording, on_recorded_group, &o));
    CHECK(o.groups > 100 && o.messages > 0);
    CHECK(o.changes[RDSTMC_CHANGE_NEW] > 0 && (size_t)o.changes[RDSTMC_CHANGE_NEW] >= rdstmc_picture_size(o.picture));

    rdstmc_stored_message stored;
    stored.size = sizeof stored;
    CHECK(rdstmc_picture_at(o.picture, 0, &stored));
    CHECK(stored.expires > stored.last_received && stored.message.event_count >= 1);
    CHECK(!rdstmc_picture_at(o.picture, rdstmc_picture_size(o.picture), &stored));
    const size_t needed = rdstmc_picture_serialize(o.picture, NULL, 0);
    char text[8192];
    CHECK(needed > 1 && needed <= sizeof text);
    CHECK(rdstmc_picture_serialize(o.picture, text, sizeof text) == needed && strlen(text) == needed - 1);
    rdstmc_picture* copy = rdstmc_picture_new(100);
    char error[128];
    CHECK(rdstmc_picture_restore(copy, text, 1700000000, error, sizeof error));
    CHECK(rdstmc_picture_size(copy) == rdstmc_picture_size(o.picture));
    CHECK(!rdstmc_picture_restore(copy, "not a picture", 1700000000, error, sizeof error) && error[0] != 0);
    rdstmc_picture_free(copy);

    rdstmc_event_properties p;
    p.size = sizeof p;
    CHECK(rdstmc_event_info(1601, &p) && p.code == 1601 && p.update_class > 0);
    CHECK(!rdstmc_event_info(0, &p));
    CHECK(strcmp(rdstmc_urgency_name(RDSTMC_URGENCY_URGENT), "urgent") == 0);
    char quantity[64];
    CHECK(rdstmc_quantifier_text(0, 3, quantity, sizeof quantity) > 1 && quantity[0] != 0);
    CHECK(strcmp(rdstmc_rds_programme_type_name(1, false), "News") == 0);

    rdstmc_rds_decoder* rds = rdstmc_rds_decoder_new();
    rdstmc_rds_state state;
    state.size = sizeof state;
    CHECK(rdstmc_rds_decoder_feed(rds, 0x6201, 0x0408, 0, 0) & RDSTMC_RDS_PI);
    CHECK(rdstmc_rds_decoder_state(rds, &state) && state.pi == 0x6201 && state.traffic_programme == 1);
    state.size = sizeof state - 1;
    CHECK(!rdstmc_rds_decoder_state(rds, &state));
    rdstmc_rds_decoder_free(rds);
    rdstmc_tmc_decoder_free(o.decoder);
    rdstmc_picture_free(o.picture);
    return NULL;
}

const char* c_refuses_bad_arguments(void) {
    char version[32];
    snprintf(version, sizeof version, "%s", rdstmc_version());
    CHECK(strchr(version, '.') != NULL);
    CHECK(rdstmc_interface_version() == RDSTMC_C_INTERFACE_VERSION);
    CHECK(!rdstmc_open(NULL, 38400));
    CHECK(!rdstmc_open_utf16(NULL, 38400));
    CHECK(rdstmc_get_status() == RDSTMC_STATUS_OPEN_FAILED);
    CHECK(!rdstmc_get_frequency(NULL));
    CHECK(!rdstmc_connect_status(NULL, NULL));
    CHECK(!rdstmc_connect_rds(NULL, NULL));
    CHECK(!rdstmc_start_simulation("/nonexistent/recording.log"));
    CHECK(!rdstmc_read_recording("/nonexistent/recording.log", count_group, &g_recorded));
    rdstmc_tmc_message m;
    m.size = sizeof m - 1; /* an older, shorter structure is refused, not overrun */
    CHECK(!rdstmc_tmc_decoder_message(NULL, &m));
    rdstmc_tmc_decoder* decoder = rdstmc_tmc_decoder_new();
    CHECK(!rdstmc_tmc_decoder_message(decoder, &m));
    rdstmc_tmc_decoder_free(decoder);
    rdstmc_picture_free(NULL);
    return NULL;
}

/* What one receiver's callbacks heard. */
typedef struct own {
    pthread_mutex_t lock;
    int frequency, frequency_changes;
    char station[32];
} own;
static own g_own[2] = {{.lock = PTHREAD_MUTEX_INITIALIZER}, {.lock = PTHREAD_MUTEX_INITIALIZER}};

static void on_own_frequency(void* user, int frequency, int quality, int tuner_mode) {
    own* o = user;
    (void)quality;
    (void)tuner_mode;
    pthread_mutex_lock(&o->lock);
    o->frequency = frequency;
    o->frequency_changes++;
    pthread_mutex_unlock(&o->lock);
}

static void on_own_station(void* user, uint32_t pi, const char* name, const uint16_t* name_utf16) {
    own* o = user;
    (void)pi;
    (void)name_utf16;
    pthread_mutex_lock(&o->lock);
    snprintf(o->station, sizeof o->station, "%s", name);
    pthread_mutex_unlock(&o->lock);
}

static int station_is(own* o, const char* name) {
    pthread_mutex_lock(&o->lock);
    const int same = strcmp(o->station, name) == 0;
    pthread_mutex_unlock(&o->lock);
    return same;
}
static int both_named(void) { return station_is(&g_own[0], "ALPHA   ") && station_is(&g_own[1], "BRAVO   "); }

const char* c_two_receivers_hear_each_their_own(const char* devices[2], const c_harness* harnesses[2]) {
    static const char* const kReports[2][2] = {{"$PLTTQ,9690,50,0,0,0", "$PLTCH,\"ALPHA   \""},
                                               {"$PLTTQ,10120,40,0,0,0", "$PLTCH,\"BRAVO   \""}};
    rdstmc_receiver* r[2] = {rdstmc_receiver_new(), rdstmc_receiver_new()};
    CHECK(r[0] != NULL && r[1] != NULL && r[0] != r[1]);
    rdstmc_rds_callbacks rds = {sizeof rds, NULL, NULL, on_own_station, NULL};
    for (int i = 0; i < 2; ++i) {
        CHECK(rdstmc_receiver_connect_frequency(r[i], on_own_frequency, &g_own[i]));
        CHECK(rdstmc_receiver_connect_rds(r[i], &rds, &g_own[i]));
        CHECK(rdstmc_receiver_open(r[i], devices[i], 38400));
    }
    CHECK(!rdstmc_is_open() && rdstmc_get_status() == RDSTMC_STATUS_STOPPED);
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < 2; ++k) CHECK(harnesses[i]->send(harnesses[i]->self, kReports[i][k]));
    }
    CHECK(wait_for(both_named));
    CHECK(locked_int(&g_own[0].frequency) == 969 && locked_int(&g_own[0].frequency_changes) == 1);
    CHECK(locked_int(&g_own[1].frequency) == 1012 && locked_int(&g_own[1].frequency_changes) == 1);
    int frequency = 0;
    uint32_t pi = 0;
    char name[25];
    CHECK(rdstmc_receiver_get_frequency(r[0], &frequency) && frequency == 969);
    CHECK(rdstmc_receiver_get_frequency(r[1], &frequency) && frequency == 1012);
    CHECK(rdstmc_receiver_get_station(r[1], &pi, name, sizeof name) && strcmp(name, "BRAVO   ") == 0);
    CHECK(!rdstmc_get_frequency(&frequency));

    /* Commands go to their own module only. */
    CHECK(rdstmc_receiver_control_tuner(r[1], RDSTMC_TUNE, 1000));
    CHECK(harnesses[1]->wait_for_lines(harnesses[1]->self, "$PLTCM,H2,10000", 1) == 1);
    CHECK(harnesses[0]->wait_for_lines(harnesses[0]->self, "$PLTCM,H2,10000", 0) == 0);

    CHECK(rdstmc_receiver_close(r[0]));
    CHECK(!rdstmc_receiver_is_open(r[0]) && rdstmc_receiver_is_open(r[1]));
    rdstmc_receiver_free(r[0]);
    rdstmc_receiver_free(r[1]);
    return NULL;
}
