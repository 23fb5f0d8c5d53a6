// Connecting an object that implements all four listener interfaces, as the
// monitor's listeners do.
#pragma once

#include <rdstmc.h>

namespace rdstmc::monitor {

template <class Listeners>
void ConnectAll(Listeners* l) {
    Connect(static_cast<ITmcFrequencyListener*>(l));
    Connect(static_cast<ITmcRdsListener*>(l));
    Connect(static_cast<ITmcStatusListener*>(l));
    Connect(static_cast<ITmcRawDataListener*>(l));
}

// Empties all four slots; once it returns, no listener is called any more.
inline void DisconnectAll() {
    Disconnect(static_cast<ITmcFrequencyListener*>(nullptr));
    Disconnect(static_cast<ITmcRdsListener*>(nullptr));
    Disconnect(static_cast<ITmcStatusListener*>(nullptr));
    Disconnect(static_cast<ITmcRawDataListener*>(nullptr));
}

}  // namespace rdstmc::monitor
