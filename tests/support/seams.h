// The one way the tests reach inside the library, for what its interface
// cannot show or set: the tick's origin, private event names, the decoders'
// own bookkeeping. Everything else the tests check through the interface.
#pragma once
#include <cstdint>

namespace rdstmc {

namespace platform {
struct NamedEvent;
// Adds `offset` to every later tick, so tests cross 2^31 and 2^32 without
// waiting weeks.
void SetTickOffsetForTesting(uint32_t offset);
// Later event opens use "<prefix><name>", so test processes running side by
// side never share the system-wide events. Set before any event is opened.
void SetNamedEventPrefixForTesting(const char* prefix);
// Removes the system-wide object behind `name` (with the prefix applied).
void NamedEventRemove(const char* name);
}  // namespace platform

namespace test {

// Lets the queries answer without a port or replay (as a replay would).
void SetQueriesAvailable(bool available);
// Puts the decoders' record back to how a new process finds it.
void ResetDecoders();

// The decoders' and the log's bookkeeping.
int AfExpected();
int AfCollected();
uint32_t LastRdsTick();
uint32_t LastTmcTick();
uint64_t LogRecordsLost();
unsigned char TunerMode();
int SeekParameter();
void SetTunerMode(unsigned char mode);

// The activity events as the library holds them (null until opened), and
// this process's own activity signals.
platform::NamedEvent* RdsEvent();
platform::NamedEvent* TmcEvent();
bool TakeRdsActivity();
bool TakeTmcActivity();
void OpenActivityEvents();

}  // namespace test
}  // namespace rdstmc
