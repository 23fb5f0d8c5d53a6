// The receiver interface in C: each function calls its C++ counterpart.
#include <atomic>

#include "c/text_out.h"
#include "rdstmc.h"
#include "rdstmc_c.h"
#include "rdstmc_ext.h"

#ifndef RDSTMC_VERSION_TEXT
#error "the build defines RDSTMC_VERSION_TEXT"
#endif

namespace {

using rdstmc_detail::kWideCapacity;
using rdstmc_detail::Widen;

const unsigned short* Units(const uint16_t* text) { return reinterpret_cast<const unsigned short*>(text); }

// UTF-8 text as the UTF-16 the C++ functions take; a null text stays null,
// so it is refused as it is there.
struct Wide {
    explicit Wide(const char* text) : null(text == nullptr) { Widen(text, units); }
    const unsigned short* get() const { return null ? nullptr : units; }
    bool null;
    unsigned short units[kWideCapacity];
};

// The feed's write function; atomic, as a command on another thread may be
// writing while a program opens a feed that is then refused.
std::atomic<rdstmc_write_fn> g_write{nullptr};
std::atomic<void*> g_writeUser{nullptr};

bool WriteThrough(void*, const char* bytes, unsigned length) {
    const rdstmc_write_fn write = g_write.load();
    return write != nullptr && write(g_writeUser.load(), bytes, length);
}

}  // namespace

extern "C" {

const char* rdstmc_version(void) { return RDSTMC_VERSION_TEXT; }
int rdstmc_interface_version(void) { return RDSTMC_C_INTERFACE_VERSION; }

bool rdstmc_open(const char* port, unsigned baud) { return TmcOpen(Wide(port).get(), baud); }
bool rdstmc_open_utf16(const uint16_t* port, unsigned baud) { return TmcOpen(Units(port), baud); }
bool rdstmc_close(void) { return TmcClose(); }
bool rdstmc_is_open(void) { return TmcIsOpen(); }
bool rdstmc_reopen(void) { return TmcReopen(); }
bool rdstmc_is_device_present(void) { return TmcIsDevicePresent(); }

bool rdstmc_open_feed(rdstmc_write_fn write, void* user) {
    if (write == nullptr) return TmcOpenFeed(nullptr, nullptr);
    // While a port or feed is open its writer stays as it is.
    if (TmcIsOpen()) return false;
    g_writeUser.store(user);
    g_write.store(write);
    return TmcOpenFeed(WriteThrough, nullptr);
}
bool rdstmc_feed(const void* bytes, size_t length) { return TmcFeed(bytes, length); }

int rdstmc_get_status(void) { return TmcGetStatus(); }
bool rdstmc_get_frequency(int* frequency) { return frequency != nullptr && TmcGetTunerFrequency(*frequency); }
bool rdstmc_get_health(int* health) { return health != nullptr && TmcGetRdsHealth(*health); }
bool rdstmc_get_alternative_frequencies(int list[25]) { return list != nullptr && TmcGetRdsAF(list); }

bool rdstmc_get_station_utf16(uint32_t* pi, uint16_t* name, size_t capacity) {
    if (pi == nullptr || name == nullptr || capacity < 1) return false;
    unsigned long code = 0;
    const int fits = capacity > 1024 ? 1024 : static_cast<int>(capacity);
    if (!TmcGetRdsStation(code, reinterpret_cast<unsigned short*>(name), fits)) return false;
    *pi = static_cast<uint32_t>(code);
    return true;
}

bool rdstmc_get_station(uint32_t* pi, char* name, size_t capacity) {
    uint16_t wide[16];
    if (name == nullptr || capacity < 1 || !rdstmc_get_station_utf16(pi, wide, sizeof wide / sizeof *wide)) return false;
    rdstmc::c_interface::Utf16ToUtf8(wide, name, capacity);
    return true;
}

bool rdstmc_get_radio_text_utf16(uint16_t* text, size_t capacity) {
    if (text == nullptr || capacity < 1) return false;
    const int fits = capacity > 1024 ? 1024 : static_cast<int>(capacity);
    return TmcGetRadioText(reinterpret_cast<unsigned short*>(text), fits);
}

bool rdstmc_get_radio_text(char* text, size_t capacity) {
    uint16_t wide[80];
    if (text == nullptr || capacity < 1 || !rdstmc_get_radio_text_utf16(wide, sizeof wide / sizeof *wide)) return false;
    rdstmc::c_interface::Utf16ToUtf8(wide, text, capacity);
    return true;
}

bool rdstmc_get_time(rdstmc_time* time) {
    TmcRdsTime t;
    if (time == nullptr || !TmcGetRdsTime(t)) return false;
    *time = {t.year, t.month, t.day, t.weekDay, t.hour, t.minute, t.reserved};
    return true;
}

bool rdstmc_get_sentence_tick(uint32_t* tick) {
    unsigned value = 0;
    if (tick == nullptr || !TmcGetSentenceTick(value)) return false;
    *tick = value;
    return true;
}

bool rdstmc_control_tuner(int command, int value) {
    if (command < TmcTune || command > TmcModeA1) return false;
    return TmcControlTuner(static_cast<TmcControlCmd>(command), value);
}
bool rdstmc_send_command(const char* text) { return TmcSendCommand(Wide(text).get()); }
bool rdstmc_send_command_utf16(const uint16_t* text) { return TmcSendCommand(Units(text)); }
bool rdstmc_start_logging(const char* path) { return TmcStartLogging(Wide(path).get()); }
bool rdstmc_start_logging_utf16(const uint16_t* path) { return TmcStartLogging(Units(path)); }
bool rdstmc_stop_logging(void) { return TmcStopLogging(); }
bool rdstmc_start_simulation(const char* path) { return TmcStartSimulation(Wide(path).get()); }
bool rdstmc_start_simulation_utf16(const uint16_t* path) { return TmcStartSimulation(Units(path)); }
bool rdstmc_stop_simulation(void) { return TmcStopSimulation(); }

}  // extern "C"
