// Connecting one object that implements every listener interface, as the
// tools' listeners and the tests' recorders do.
#pragma once

#include <type_traits>

#include <rdstmc.h>
#include <rdstmc_ext.h>

namespace rdstmc::tools {

// Connects `l` as the frequency, RDS, status and raw-data listener, and as
// the device and group listener where it is one.
template <class Listeners>
void ConnectAll(Listeners* l) {
    Connect(static_cast<ITmcFrequencyListener*>(l));
    Connect(static_cast<ITmcRdsListener*>(l));
    Connect(static_cast<ITmcStatusListener*>(l));
    Connect(static_cast<ITmcRawDataListener*>(l));
    if constexpr (std::is_base_of_v<ITmcDeviceListener, Listeners>) Connect(static_cast<ITmcDeviceListener*>(l));
    if constexpr (std::is_base_of_v<ITmcGroupListener, Listeners>) Connect(static_cast<ITmcGroupListener*>(l));
}

// Empties every slot, the device and group listeners' too; once it returns, no
// listener is called any more.
inline void DisconnectAll() {
    Disconnect(static_cast<ITmcDeviceListener*>(nullptr));
    Disconnect(static_cast<ITmcGroupListener*>(nullptr));
    Disconnect(static_cast<ITmcFrequencyListener*>(nullptr));
    Disconnect(static_cast<ITmcRdsListener*>(nullptr));
    Disconnect(static_cast<ITmcStatusListener*>(nullptr));
    Disconnect(static_cast<ITmcRawDataListener*>(nullptr));
}

}  // namespace rdstmc::tools
