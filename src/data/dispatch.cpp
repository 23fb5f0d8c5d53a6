#include "data/dispatch.h"

#include "data/decoders.h"
#include "link/sentence.h"

namespace rdstmc {
namespace {

using Handler = void (*)(ReceiverState& s, const char* line, const char* lineFeed);

// One entry per sentence kind; kinds the receiver sends but we do not use
// have none.
const Handler kHandlers[kSentenceKindCount] = {
    HandleTimeSync,    // $PLTTS
    nullptr,           // $PLTTF
    HandleTuning,      // $PLTTQ
    HandleStationName, // $PLTCH
    nullptr,           // $PLTMT
    nullptr,           // $PLTRD
    nullptr,           // $PLTTM
    HandleGroup,       // $PLTTR
    nullptr,           // $PLTFD
    nullptr,           // $PLTCF
};

}  // namespace

void DispatchSentence(ReceiverState& receiver, const char* line, const char* lineFeed) {
    const SentenceKind kind = ClassifySentence(line);
    if (kind == kSentenceUnknown) return;
    if (Handler h = kHandlers[kind]) h(receiver, line, lineFeed);
}

void HandleTimeSync(ReceiverState&, const char* line, const char* lineFeed) {
    // Two fields are required; their content is not used.
    const char* cursor = line + 7;
    int ignored;
    if (!ReadField(cursor, lineFeed, ignored)) return;
    ReadField(cursor, lineFeed, ignored);
}

}  // namespace rdstmc
