// One object that is every kind of listener and counts the calls it gets,
// for tests and benchmarks that need listeners connected but not what they hear.
#pragma once
#include <atomic>

#include "all_listeners.h"
#include "rdstmc.h"

namespace rdstmc::test {

struct CountingListeners : ITmcFrequencyListener, ITmcRdsListener, ITmcStatusListener, ITmcRawDataListener {
    // Slots are emptied whoever fills them, so nothing can call a destroyed object.
    ~CountingListeners() override { tools::DisconnectAll(); }
    void OnFrequencyChanged(int, int, unsigned char) override { ++calls; }
    void OnRadioText(const unsigned short*) override { ++calls; }
    void OnRdsTime(const TmcRdsTime&) override { ++calls; }
    void OnStationName(int, const unsigned short*) override { ++calls; }
    void OnAlternativeFrequencies(const int*) override { ++calls; }
    void OnStatusChanged(const TmcStatus&) override { ++calls; }
    void OnRawData(const unsigned int&, const unsigned int&) override { ++calls; }

    void ConnectAll() { tools::ConnectAll(this); }
    void DisconnectAll() { tools::DisconnectAll(); }

    std::atomic<long> calls{0};
};

}  // namespace rdstmc::test
