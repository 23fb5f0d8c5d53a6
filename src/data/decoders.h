// The decoders: each reads its sentence, updates the record under the data
// lock, and notifies the listener after the lock is released. A sentence whose
// fields cannot all be read changes nothing.
#pragma once

#include "data/receiver_state.h"

namespace rdstmc {

void HandleTimeSync(ReceiverState& s, const char* line, const char* lineFeed);     // "$PLTTS"
void HandleTuning(ReceiverState& s, const char* line, const char* lineFeed);       // "$PLTTQ"
void HandleStationName(ReceiverState& s, const char* line, const char* lineFeed);  // "$PLTCH"
void HandleGroup(ReceiverState& s, const char* line, const char* lineFeed);        // "$PLTTR"

// One group's blocks A to D, received at `tick`: what HandleGroup does once
// it has read them, and what a group handed over as a group goes through.
void GroupStep(ReceiverState& s, int a, int b, int c, int d, uint32_t tick);

// Group steps handed on by GroupStep, with the four block values.
void RadioTextStep(ReceiverState& s, int blockB, int blockC, int blockD);
void ClockTimeStep(ReceiverState& s, int blockB, int blockC, int blockD);

// Pure parts, testable without the record.
// The 0-10 health figure for an average quality sample.
int HealthFromAverage(unsigned average);
// The clock time of a 4A group's blocks, by the RDS standard's conversion.
TmcRdsTime DecodeClockTime(int blockB, int blockC, int blockD);

}  // namespace rdstmc
