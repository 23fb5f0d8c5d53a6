// The receiver interface in C: each function calls the receiver operation
// it names, on the receiver a handle names (the default one for null).
#include <new>

#include "c/receiver_handle.h"
#include "c/text_out.h"
#include "rdstmc.h"
#include "rdstmc_c.h"
#include "rdstmc_ext.h"
#include "session/receiver.h"

#ifndef RDSTMC_VERSION_TEXT
#error "the build defines RDSTMC_VERSION_TEXT"
#endif

namespace rdstmc::c_interface {
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

// Commands of a feed go to the program's write function. The function and
// its `user` travel together in the transport of that one feed, so two
// threads opening feeds can never pair one's function with the other's user.
class WriteFnTransport final : public session::Transport {
public:
    WriteFnTransport(rdstmc_write_fn write, void* user) : write_(write), user_(user) {}
    bool Write(const char* data, size_t length, unsigned) override { return write_(user_, data, length); }

private:
    const rdstmc_write_fn write_;
    void* const user_;
};

ReceiverState& S(rdstmc_receiver* r) { return *Resolve(r).state; }

constexpr bool Same(int c, TmcError cpp) { return c == static_cast<int>(cpp); }
static_assert(Same(RDSTMC_ERROR_NONE, TmcErrorNone) && Same(RDSTMC_ERROR_NOT_FOUND, TmcErrorNotFound) &&
                  Same(RDSTMC_ERROR_PERMISSION_DENIED, TmcErrorPermissionDenied) &&
                  Same(RDSTMC_ERROR_IN_USE, TmcErrorInUse) && Same(RDSTMC_ERROR_NOT_A_DEVICE, TmcErrorNotADevice) &&
                  Same(RDSTMC_ERROR_BAD_RATE, TmcErrorBadRate) && Same(RDSTMC_ERROR_ALREADY_OPEN, TmcErrorAlreadyOpen) &&
                  Same(RDSTMC_ERROR_BAD_ARGUMENT, TmcErrorBadArgument) && Same(RDSTMC_ERROR_BUSY, TmcErrorBusy) &&
                  Same(RDSTMC_ERROR_NO_ANSWER, TmcErrorNoAnswer) && Same(RDSTMC_ERROR_OTHER, TmcErrorOther),
              "the C error values are TmcError's");

// The names bindings map to their own error kinds, indexed by TmcError.
const char* const kErrorNames[] = {"none",         "not_found",    "permission_denied", "in_use",
                                   "not_a_device", "bad_rate",     "already_open",      "bad_argument",
                                   "busy",         "no_answer",    "other"};
static_assert(sizeof kErrorNames / sizeof *kErrorNames == TmcErrorOther + 1, "a name for every error");

}  // namespace

rdstmc_receiver& Resolve(rdstmc_receiver* r) {
    if (r != nullptr) return *r;
    // Never destroyed, as the default receiver is not.
    static rdstmc_receiver* const fallback = new rdstmc_receiver{&State(), NewCallbackSlots(State())};
    return *fallback;
}

}  // namespace rdstmc::c_interface

using namespace rdstmc::c_interface;
using rdstmc::c_interface::S;

extern "C" {

const char* rdstmc_version(void) { return RDSTMC_VERSION_TEXT; }
int rdstmc_interface_version(void) { return RDSTMC_C_INTERFACE_VERSION; }

rdstmc_receiver* rdstmc_receiver_new(void) {
    rdstmc::ReceiverState* state = rdstmc::NewReceiver();
    if (state == nullptr) return nullptr;
    CallbackSlots* callbacks = NewCallbackSlots(*state);
    rdstmc_receiver* made = callbacks ? new (std::nothrow) rdstmc_receiver{state, callbacks} : nullptr;
    if (made == nullptr) {
        DeleteCallbackSlots(callbacks);
        rdstmc::FreeReceiver(state);
    }
    return made;
}

void rdstmc_receiver_free(rdstmc_receiver* r) {
    if (r == nullptr) return;
    DisconnectAllCallbacks(*r->callbacks);
    // A receiver that could not be ended keeps its callbacks' objects too.
    if (!rdstmc::FreeReceiver(r->state)) return;
    DeleteCallbackSlots(r->callbacks);
    delete r;
}

bool rdstmc_receiver_open(rdstmc_receiver* r, const char* port, unsigned baud) {
    return rdstmc::Open(S(r), Wide(port).get(), baud);
}
bool rdstmc_receiver_open_utf16(rdstmc_receiver* r, const uint16_t* port, unsigned baud) {
    return rdstmc::Open(S(r), Units(port), baud);
}
bool rdstmc_receiver_close(rdstmc_receiver* r) { return rdstmc::Close(S(r)); }
bool rdstmc_receiver_is_open(rdstmc_receiver* r) { return S(r).portOpen.load(); }
bool rdstmc_receiver_reopen(rdstmc_receiver* r) { return rdstmc::Reopen(S(r)); }
bool rdstmc_receiver_is_device_present(rdstmc_receiver* r) { return rdstmc::IsDevicePresent(S(r)); }
int rdstmc_receiver_last_error(rdstmc_receiver* r) { return S(r).lastError.load(); }
int rdstmc_last_error(void) { return rdstmc_receiver_last_error(nullptr); }

const char* rdstmc_error_text(int error) {
    return error >= TmcErrorNone && error <= TmcErrorOther ? TmcErrorText(static_cast<TmcError>(error)) : "unknown error";
}
const char* rdstmc_error_name(int error) {
    return error >= TmcErrorNone && error <= TmcErrorOther ? kErrorNames[error] : "unknown";
}

bool rdstmc_receiver_open_feed(rdstmc_receiver* r, rdstmc_write_fn write, void* user) {
    std::shared_ptr<rdstmc::session::Transport> transport;
    if (write != nullptr) {
        transport = std::shared_ptr<rdstmc::session::Transport>(new (std::nothrow) WriteFnTransport(write, user));
        if (!transport) return false;
    }
    return rdstmc::OpenFeed(S(r), std::move(transport));
}
bool rdstmc_receiver_feed_group(rdstmc_receiver* r, const uint16_t blocks[4], uint32_t tick) {
    if (blocks == nullptr) return false;
    const TmcRdsGroup group = {{blocks[0], blocks[1], blocks[2], blocks[3]}};
    return rdstmc::FeedGroup(S(r), group, tick);
}
bool rdstmc_receiver_feed(rdstmc_receiver* r, const void* bytes, size_t length) {
    return rdstmc::Feed(S(r), bytes, length);
}

int rdstmc_receiver_get_status(rdstmc_receiver* r) { return rdstmc::GetStatus(S(r)); }
bool rdstmc_receiver_get_frequency(rdstmc_receiver* r, int* frequency) {
    return frequency != nullptr && rdstmc::GetTunerFrequency(S(r), *frequency);
}
bool rdstmc_receiver_get_health(rdstmc_receiver* r, int* health) {
    return health != nullptr && rdstmc::GetRdsHealth(S(r), *health);
}
bool rdstmc_receiver_get_alternative_frequencies(rdstmc_receiver* r, int list[25]) {
    return list != nullptr && rdstmc::GetRdsAF(S(r), list);
}

bool rdstmc_receiver_get_station_utf16(rdstmc_receiver* r, uint32_t* pi, uint16_t* name, size_t capacity) {
    if (pi == nullptr || name == nullptr || capacity < 1) return false;
    unsigned long code = 0;
    const int fits = capacity > 1024 ? 1024 : static_cast<int>(capacity);
    if (!rdstmc::GetRdsStation(S(r), code, reinterpret_cast<unsigned short*>(name), fits)) return false;
    *pi = static_cast<uint32_t>(code);
    return true;
}

bool rdstmc_receiver_get_station(rdstmc_receiver* r, uint32_t* pi, char* name, size_t capacity) {
    uint16_t wide[16];
    if (name == nullptr || capacity < 1 || !rdstmc_receiver_get_station_utf16(r, pi, wide, sizeof wide / sizeof *wide)) {
        return false;
    }
    Utf16ToUtf8(wide, name, capacity);
    return true;
}

bool rdstmc_receiver_get_radio_text_utf16(rdstmc_receiver* r, uint16_t* text, size_t capacity) {
    if (text == nullptr || capacity < 1) return false;
    const int fits = capacity > 1024 ? 1024 : static_cast<int>(capacity);
    return rdstmc::GetRadioText(S(r), reinterpret_cast<unsigned short*>(text), fits);
}

bool rdstmc_receiver_get_radio_text(rdstmc_receiver* r, char* text, size_t capacity) {
    uint16_t wide[80];
    if (text == nullptr || capacity < 1 || !rdstmc_receiver_get_radio_text_utf16(r, wide, sizeof wide / sizeof *wide)) {
        return false;
    }
    Utf16ToUtf8(wide, text, capacity);
    return true;
}

bool rdstmc_receiver_get_time(rdstmc_receiver* r, rdstmc_time* time) {
    TmcRdsTime t;
    if (time == nullptr || !rdstmc::GetRdsTime(S(r), t)) return false;
    *time = {t.year, t.month, t.day, t.weekDay, t.hour, t.minute, t.reserved};
    return true;
}

bool rdstmc_receiver_get_sentence_tick(rdstmc_receiver* r, uint32_t* tick) {
    unsigned value = 0;
    if (tick == nullptr || !rdstmc::GetSentenceTick(S(r), value)) return false;
    *tick = value;
    return true;
}

bool rdstmc_receiver_control_tuner(rdstmc_receiver* r, int command, int value) {
    if (command < TmcTune || command > TmcModeA1) return false;
    return rdstmc::ControlTuner(S(r), static_cast<TmcControlCmd>(command), value);
}
bool rdstmc_receiver_send_command(rdstmc_receiver* r, const char* text) {
    return rdstmc::SendCommand(S(r), Wide(text).get());
}
bool rdstmc_receiver_send_command_utf16(rdstmc_receiver* r, const uint16_t* text) {
    return rdstmc::SendCommand(S(r), Units(text));
}
bool rdstmc_receiver_start_logging(rdstmc_receiver* r, const char* path) {
    return rdstmc::StartLogging(S(r), Wide(path).get());
}
bool rdstmc_receiver_start_logging_utf16(rdstmc_receiver* r, const uint16_t* path) {
    return rdstmc::StartLogging(S(r), Units(path));
}
bool rdstmc_receiver_stop_logging(rdstmc_receiver* r) { return rdstmc::StopLogging(S(r)); }
bool rdstmc_receiver_start_simulation(rdstmc_receiver* r, const char* path) {
    return rdstmc::StartSimulation(S(r), Wide(path).get());
}
bool rdstmc_receiver_start_simulation_utf16(rdstmc_receiver* r, const uint16_t* path) {
    return rdstmc::StartSimulation(S(r), Units(path));
}
bool rdstmc_receiver_stop_simulation(rdstmc_receiver* r) { return rdstmc::StopSimulation(S(r)); }

// The default receiver's functions.
bool rdstmc_open(const char* port, unsigned baud) { return rdstmc_receiver_open(nullptr, port, baud); }
bool rdstmc_open_utf16(const uint16_t* port, unsigned baud) { return rdstmc_receiver_open_utf16(nullptr, port, baud); }
bool rdstmc_close(void) { return rdstmc_receiver_close(nullptr); }
bool rdstmc_is_open(void) { return rdstmc_receiver_is_open(nullptr); }
bool rdstmc_reopen(void) { return rdstmc_receiver_reopen(nullptr); }
bool rdstmc_is_device_present(void) { return rdstmc_receiver_is_device_present(nullptr); }
bool rdstmc_open_feed(rdstmc_write_fn write, void* user) { return rdstmc_receiver_open_feed(nullptr, write, user); }
bool rdstmc_feed(const void* bytes, size_t length) { return rdstmc_receiver_feed(nullptr, bytes, length); }
bool rdstmc_feed_group(const uint16_t blocks[4], uint32_t tick) { return rdstmc_receiver_feed_group(nullptr, blocks, tick); }
int rdstmc_get_status(void) { return rdstmc_receiver_get_status(nullptr); }
bool rdstmc_get_frequency(int* frequency) { return rdstmc_receiver_get_frequency(nullptr, frequency); }
bool rdstmc_get_health(int* health) { return rdstmc_receiver_get_health(nullptr, health); }
bool rdstmc_get_alternative_frequencies(int list[25]) {
    return rdstmc_receiver_get_alternative_frequencies(nullptr, list);
}
bool rdstmc_get_station(uint32_t* pi, char* name, size_t capacity) {
    return rdstmc_receiver_get_station(nullptr, pi, name, capacity);
}
bool rdstmc_get_station_utf16(uint32_t* pi, uint16_t* name, size_t capacity) {
    return rdstmc_receiver_get_station_utf16(nullptr, pi, name, capacity);
}
bool rdstmc_get_radio_text(char* text, size_t capacity) { return rdstmc_receiver_get_radio_text(nullptr, text, capacity); }
bool rdstmc_get_radio_text_utf16(uint16_t* text, size_t capacity) {
    return rdstmc_receiver_get_radio_text_utf16(nullptr, text, capacity);
}
bool rdstmc_get_time(rdstmc_time* time) { return rdstmc_receiver_get_time(nullptr, time); }
bool rdstmc_get_sentence_tick(uint32_t* tick) { return rdstmc_receiver_get_sentence_tick(nullptr, tick); }
bool rdstmc_control_tuner(int command, int value) { return rdstmc_receiver_control_tuner(nullptr, command, value); }
bool rdstmc_send_command(const char* text) { return rdstmc_receiver_send_command(nullptr, text); }
bool rdstmc_send_command_utf16(const uint16_t* text) { return rdstmc_receiver_send_command_utf16(nullptr, text); }
bool rdstmc_start_logging(const char* path) { return rdstmc_receiver_start_logging(nullptr, path); }
bool rdstmc_start_logging_utf16(const uint16_t* path) { return rdstmc_receiver_start_logging_utf16(nullptr, path); }
bool rdstmc_stop_logging(void) { return rdstmc_receiver_stop_logging(nullptr); }
bool rdstmc_start_simulation(const char* path) { return rdstmc_receiver_start_simulation(nullptr, path); }
bool rdstmc_start_simulation_utf16(const uint16_t* path) {
    return rdstmc_receiver_start_simulation_utf16(nullptr, path);
}
bool rdstmc_stop_simulation(void) { return rdstmc_receiver_stop_simulation(nullptr); }

}  // extern "C"
