// C callbacks as the library's listeners: each registration makes a small
// listener object holding the function and its `user`, stored in the slot
// the C++ Connect uses, so the C interface keeps the same guarantees.
#include <cstring>
#include <new>
#include <vector>

#include "c/receiver_handle.h"
#include "c/text_out.h"
#include "data/listeners.h"
#include "platform/lock.h"
#include "rdstmc.h"
#include "rdstmc_c.h"
#include "rdstmc_ext.h"

namespace rdstmc::c_interface {
namespace {

// The listener objects made for one slot. One that has left the slot is
// freed once no call can reach it: after a wait that outlasts every other
// thread's call begun before it left. A call on this very thread may still be running
// in it (a callback that replaces itself); the objects touch no member once
// they have called the client, so that call ends safely.
class OwnedListeners {
public:
    explicit OwnedListeners(ListenerSlot& slot) : slot_(slot) {}
    // Only once no listener it made can be called any more.
    ~OwnedListeners() {
        for (Entry& e : owned_) e.destroy(e.listener);
    }
    OwnedListeners(const OwnedListeners&) = delete;
    OwnedListeners& operator=(const OwnedListeners&) = delete;

    // Stores `fresh` (null empties the slot); returns whether the slot held a listener.
    template <class L>
    bool Store(L* fresh) {
        void* old;
        unsigned long long mine;
        {
            platform::LockGuard guard(lock_);
            // Room first: once the slot has changed nothing may fail.
            if (fresh != nullptr) owned_.reserve(owned_.size() + 1);
            old = ExchangeListener(slot_, fresh);
            mine = ++sequence_;
            // Everything made earlier has left the slot now (a C++ Connect
            // may have replaced one without this list knowing).
            for (Entry& e : owned_) {
                if (e.leftAt == 0) e.leftAt = mine;
            }
            if (fresh != nullptr) owned_.push_back({fresh, 0, [](void* p) { delete static_cast<L*>(p); }});
        }
        if (WaitForOtherCalls(slot_)) {
            platform::LockGuard guard(lock_);
            for (size_t i = 0; i < owned_.size();) {
                if (owned_[i].leftAt != 0 && owned_[i].leftAt <= mine) {
                    owned_[i].destroy(owned_[i].listener);
                    owned_[i] = owned_.back();
                    owned_.pop_back();
                } else {
                    ++i;
                }
            }
        }
        return old != nullptr;
    }

private:
    struct Entry {
        void* listener;
        unsigned long long leftAt;  // 0 while it may be in the slot
        void (*destroy)(void*);
    };
    ListenerSlot& slot_;
    platform::Lock lock_;
    std::vector<Entry> owned_;
    unsigned long long sequence_ = 0;
};

class FrequencyListener final : public ITmcFrequencyListener {
public:
    FrequencyListener(rdstmc_frequency_fn fn, void* user) : fn_(fn), user_(user) {}
    void OnFrequencyChanged(int frequency, int quality, unsigned char tunerMode) override {
        fn_(user_, frequency, quality, tunerMode);
    }

private:
    const rdstmc_frequency_fn fn_;
    void* const user_;
};

class RdsListener final : public ITmcRdsListener {
public:
    RdsListener(const rdstmc_rds_callbacks& callbacks, void* user) : callbacks_(callbacks), user_(user) {}
    void OnRadioText(const unsigned short* text) override {
        const auto fn = callbacks_.radio_text;
        if (fn == nullptr) return;
        const uint16_t* wide = reinterpret_cast<const uint16_t*>(text);
        char utf8[256];
        Utf16ToUtf8(wide, utf8, sizeof utf8);
        fn(user_, utf8, wide);
    }
    void OnRdsTime(const TmcRdsTime& t) override {
        if (callbacks_.time == nullptr) return;
        const rdstmc_time time = {t.year, t.month, t.day, t.weekDay, t.hour, t.minute, t.reserved};
        callbacks_.time(user_, &time);
    }
    void OnStationName(int pi, const unsigned short* name) override {
        const auto fn = callbacks_.station_name;
        if (fn == nullptr) return;
        const uint16_t* wide = reinterpret_cast<const uint16_t*>(name);
        char utf8[64];
        Utf16ToUtf8(wide, utf8, sizeof utf8);
        fn(user_, static_cast<uint32_t>(pi), utf8, wide);
    }
    void OnAlternativeFrequencies(const int* list) override {
        if (callbacks_.alternative_frequencies != nullptr) callbacks_.alternative_frequencies(user_, list);
    }

private:
    rdstmc_rds_callbacks callbacks_;
    void* const user_;
};

class StatusListener final : public ITmcStatusListener {
public:
    StatusListener(rdstmc_status_fn fn, void* user) : fn_(fn), user_(user) {}
    void OnStatusChanged(const TmcStatus& status) override { fn_(user_, status); }

private:
    const rdstmc_status_fn fn_;
    void* const user_;
};

class RawDataListener final : public ITmcRawDataListener {
public:
    RawDataListener(rdstmc_raw_data_fn fn, void* user) : fn_(fn), user_(user) {}
    void OnRawData(const unsigned int& word0, const unsigned int& word1) override { fn_(user_, word0, word1); }

private:
    const rdstmc_raw_data_fn fn_;
    void* const user_;
};

class GroupListener final : public ITmcGroupListener {
public:
    GroupListener(rdstmc_group_fn fn, void* user) : fn_(fn), user_(user) {}
    void OnRdsGroup(const TmcRdsGroup& group) override {
        const uint16_t blocks[4] = {group.blocks[0], group.blocks[1], group.blocks[2], group.blocks[3]};
        fn_(user_, blocks);
    }

private:
    const rdstmc_group_fn fn_;
    void* const user_;
};

class DeviceListener final : public ITmcDeviceListener {
public:
    DeviceListener(rdstmc_device_fn fn, void* user) : fn_(fn), user_(user) {}
    void OnDeviceChanged(bool present) override { fn_(user_, present); }

private:
    const rdstmc_device_fn fn_;
    void* const user_;
};

// The slots hold the listener's interface pointer, as Connect stores it.
template <class Interface, class L, class... Args>
bool Connect(OwnedListeners& owned, Args... args) {
    L* made = new (std::nothrow) L(args...);
    if (made == nullptr) return false;
    try {
        owned.Store<Interface>(made);
    } catch (...) {  // no memory for the bookkeeping: the slot is unchanged
        delete made;
        return false;
    }
    return true;
}

template <class Interface>
bool Disconnect(OwnedListeners& owned) {
    return owned.Store<Interface>(nullptr);
}

}  // namespace

class CallbackSlots {
public:
    explicit CallbackSlots(ReceiverState& s)
        : frequency(s.slots.frequency), rds(s.slots.rds), status(s.slots.status), rawData(s.slots.rawData),
          group(s.slots.group), device(s.slots.device) {}
    OwnedListeners frequency, rds, status, rawData, group, device;
};

CallbackSlots* NewCallbackSlots(ReceiverState& s) { return new (std::nothrow) CallbackSlots(s); }

void DisconnectAllCallbacks(CallbackSlots& c) {
    Disconnect<ITmcFrequencyListener>(c.frequency);
    Disconnect<ITmcRdsListener>(c.rds);
    Disconnect<ITmcStatusListener>(c.status);
    Disconnect<ITmcRawDataListener>(c.rawData);
    Disconnect<ITmcGroupListener>(c.group);
    Disconnect<ITmcDeviceListener>(c.device);
}

void DeleteCallbackSlots(CallbackSlots* callbacks) { delete callbacks; }

}  // namespace rdstmc::c_interface

using namespace rdstmc::c_interface;

namespace {
CallbackSlots& Of(rdstmc_receiver* r) { return *Resolve(r).callbacks; }
}  // namespace

extern "C" {

bool rdstmc_receiver_connect_frequency(rdstmc_receiver* r, rdstmc_frequency_fn callback, void* user) {
    return callback != nullptr && Connect<ITmcFrequencyListener, FrequencyListener>(Of(r).frequency, callback, user);
}
bool rdstmc_receiver_disconnect_frequency(rdstmc_receiver* r) { return Disconnect<ITmcFrequencyListener>(Of(r).frequency); }

bool rdstmc_receiver_connect_rds(rdstmc_receiver* r, const rdstmc_rds_callbacks* callbacks, void* user) {
    if (callbacks == nullptr || callbacks->size < sizeof(size_t)) return false;
    // Members a caller built against an older, shorter structure are absent.
    rdstmc_rds_callbacks copy = {};
    std::memcpy(&copy, callbacks, callbacks->size < sizeof copy ? callbacks->size : sizeof copy);
    return Connect<ITmcRdsListener, RdsListener>(Of(r).rds, copy, user);
}
bool rdstmc_receiver_disconnect_rds(rdstmc_receiver* r) { return Disconnect<ITmcRdsListener>(Of(r).rds); }

bool rdstmc_receiver_connect_status(rdstmc_receiver* r, rdstmc_status_fn callback, void* user) {
    return callback != nullptr && Connect<ITmcStatusListener, StatusListener>(Of(r).status, callback, user);
}
bool rdstmc_receiver_disconnect_status(rdstmc_receiver* r) { return Disconnect<ITmcStatusListener>(Of(r).status); }

bool rdstmc_receiver_connect_raw_data(rdstmc_receiver* r, rdstmc_raw_data_fn callback, void* user) {
    return callback != nullptr && Connect<ITmcRawDataListener, RawDataListener>(Of(r).rawData, callback, user);
}
bool rdstmc_receiver_disconnect_raw_data(rdstmc_receiver* r) { return Disconnect<ITmcRawDataListener>(Of(r).rawData); }

bool rdstmc_receiver_connect_group(rdstmc_receiver* r, rdstmc_group_fn callback, void* user) {
    return callback != nullptr && Connect<ITmcGroupListener, GroupListener>(Of(r).group, callback, user);
}
bool rdstmc_receiver_disconnect_group(rdstmc_receiver* r) { return Disconnect<ITmcGroupListener>(Of(r).group); }

bool rdstmc_receiver_connect_device(rdstmc_receiver* r, rdstmc_device_fn callback, void* user) {
    return callback != nullptr && Connect<ITmcDeviceListener, DeviceListener>(Of(r).device, callback, user);
}
bool rdstmc_receiver_disconnect_device(rdstmc_receiver* r) { return Disconnect<ITmcDeviceListener>(Of(r).device); }

bool rdstmc_connect_frequency(rdstmc_frequency_fn callback, void* user) {
    return rdstmc_receiver_connect_frequency(nullptr, callback, user);
}
bool rdstmc_disconnect_frequency(void) { return rdstmc_receiver_disconnect_frequency(nullptr); }
bool rdstmc_connect_rds(const rdstmc_rds_callbacks* callbacks, void* user) {
    return rdstmc_receiver_connect_rds(nullptr, callbacks, user);
}
bool rdstmc_disconnect_rds(void) { return rdstmc_receiver_disconnect_rds(nullptr); }
bool rdstmc_connect_status(rdstmc_status_fn callback, void* user) {
    return rdstmc_receiver_connect_status(nullptr, callback, user);
}
bool rdstmc_disconnect_status(void) { return rdstmc_receiver_disconnect_status(nullptr); }
bool rdstmc_connect_raw_data(rdstmc_raw_data_fn callback, void* user) {
    return rdstmc_receiver_connect_raw_data(nullptr, callback, user);
}
bool rdstmc_disconnect_raw_data(void) { return rdstmc_receiver_disconnect_raw_data(nullptr); }
bool rdstmc_connect_group(rdstmc_group_fn callback, void* user) {
    return rdstmc_receiver_connect_group(nullptr, callback, user);
}
bool rdstmc_disconnect_group(void) { return rdstmc_receiver_disconnect_group(nullptr); }
bool rdstmc_connect_device(rdstmc_device_fn callback, void* user) {
    return rdstmc_receiver_connect_device(nullptr, callback, user);
}
bool rdstmc_disconnect_device(void) { return rdstmc_receiver_disconnect_device(nullptr); }

}  // extern "C"
