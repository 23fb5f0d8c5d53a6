#include "support/seams.h"

#include "data/receiver_state.h"
#include "status/status_worker.h"

namespace rdstmc::test {

void SetQueriesAvailable(bool available) { State().replayRunning.store(available); }

void ResetDecoders() {
    ZeroFillPublished(State());
    ReceiverState& s = State();
    platform::LockGuard guard(s.dataLock);
    s.quality = QualityRing{};
    s.scratch = DecoderScratch{};
}

int AfExpected() { return State().scratch.afExpected; }
int AfCollected() { return State().scratch.afCollected; }
uint32_t LastRdsTick() { return State().scratch.lastRdsTick; }
uint32_t LastTmcTick() { return State().scratch.lastTmcTick; }
uint64_t LogRecordsLost() { return State().logRecordsLost.load(); }
unsigned char TunerMode() { return State().tunerMode.load(); }
int SeekParameter() { return State().seekParameter.load(); }
void SetTunerMode(unsigned char mode) { State().tunerMode.store(mode); }

platform::NamedEvent* RdsEvent() { return RdsActivityEvent(); }
platform::NamedEvent* TmcEvent() { return TmcActivityEvent(); }

bool TakeRdsActivity() {
    const bool set = State().rdsActivity.Wait(0);
    State().rdsActivity.Reset();
    return set;
}

bool TakeTmcActivity() {
    const bool set = State().tmcActivity.Wait(0);
    State().tmcActivity.Reset();
    return set;
}

void OpenActivityEvents() { rdstmc::OpenActivityEvents(); }

}  // namespace rdstmc::test
