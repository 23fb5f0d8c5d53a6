// Connecting an object that implements all four listener interfaces, and
// the device listener where it does, as the monitor's listeners do.
#pragma once

#include <type_traits>

#include <rdstmc.h>
#include <rdstmc_ext.h>

namespace rdstmc::monitor {

template <class Listeners>
void ConnectAll(Listeners* l) {
    Connect(static_cast<ITmcFrequencyListener*>(l));
    Connect(static_cast<ITmcRdsListener*>(l));
    Connect(static_cast<ITmcStatusListener*>(l));
    Connect(static_cast<ITmcRawDataListener*>(l));
    if constexpr (std::is_base_of_v<ITmcDeviceListener, Listeners>) Connect(static_cast<ITmcDeviceListener*>(l));
}

// Empties every slot, the device listener's too; once it returns, no
// listener is called any more.
inline void DisconnectAll() {
    Disconnect(static_cast<ITmcDeviceListener*>(nullptr));
    Disconnect(static_cast<ITmcFrequencyListener*>(nullptr));
    Disconnect(static_cast<ITmcRdsListener*>(nullptr));
    Disconnect(static_cast<ITmcStatusListener*>(nullptr));
    Disconnect(static_cast<ITmcRawDataListener*>(nullptr));
}

}  // namespace rdstmc::monitor
