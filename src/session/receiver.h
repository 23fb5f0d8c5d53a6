// The operations of one receiver. The classic interface calls them on the
// default receiver (State()); the C interface's handles on receivers of
// their own. Each has the contract of its classic counterpart in rdstmc.h
// and rdstmc_ext.h, for that receiver alone.
#pragma once
#include <cstddef>
#include <memory>

#include "data/receiver_state.h"
#include "session/transport.h"

namespace rdstmc {

// Ends the receiver's run, its log and its listeners and frees it once no
// worker and no callback can touch it any more. One that cannot be ended so
// (freed from its own callback, or a callback that does not return within
// seconds) is closed and kept, never freed: a leak, but no use of freed
// memory. Never the default receiver.
// True when it was freed.
bool FreeReceiver(ReceiverState* receiver);

bool Open(ReceiverState& s, const unsigned short port[], unsigned baud);
bool Close(ReceiverState& s);
bool Reopen(ReceiverState& s);
bool IsDevicePresent(const ReceiverState& s);
bool GetSentenceTick(const ReceiverState& s, unsigned& tick);

// Commands go to `transport`; null for none.
bool OpenFeed(ReceiverState& s, std::shared_ptr<session::Transport> transport);
bool Feed(ReceiverState& s, const void* bytes, size_t length);
bool FeedGroup(ReceiverState& s, const TmcRdsGroup& group, unsigned tick);

bool StartSimulation(ReceiverState& s, const unsigned short path[]);
bool StopSimulation(ReceiverState& s);

bool StartLogging(ReceiverState& s, const unsigned short path[]);
bool StopLogging(ReceiverState& s);

bool GetTunerFrequency(ReceiverState& s, int& frequency);
bool GetRdsHealth(ReceiverState& s, int& health);
bool GetRdsAF(ReceiverState& s, int list[25]);
bool GetRdsStation(ReceiverState& s, unsigned long& pi, unsigned short name[], int capacity);
bool GetRadioText(ReceiverState& s, unsigned short text[], int capacity);
bool GetRdsTime(ReceiverState& s, TmcRdsTime& time);

bool ControlTuner(ReceiverState& s, TmcControlCmd command, int value);
bool SendCommand(ReceiverState& s, const unsigned short text[]);

}  // namespace rdstmc
