#include <cstdio>

#include "data/receiver_state.h"
#include "session/transport.h"
#include "link/sentence.h"
#include "text/text.h"

namespace rdstmc {
namespace {

constexpr int kBandTop = 1080;     // 108.0 MHz
constexpr int kBandBottom = 875;   // 87.5 MHz
constexpr unsigned kWireUnitsPerStep = 10;  // 100 kHz in the wire's 10 kHz units
constexpr int kSeekNarrow = 470;
constexpr int kSeekWide = 502;

constexpr char kModeA1[] = "$PLTCM,A1";
constexpr char kModeA3[] = "$PLTCM,A3";
constexpr char kSearchUp[] = "$PLTCM,+";
constexpr char kSearchDown[] = "$PLTCM,-";

// Tunes to `frequency` (100 kHz units) with no range check. The product is
// formed modulo 2^32, so any stored or requested value gives a defined
// sentence rather than signed overflow.
bool SendTune(int frequency) {
    const int wire = static_cast<int>(static_cast<unsigned>(frequency) * kWireUnitsPerStep);
    char text[32];
    std::snprintf(text, sizeof text, "$PLTCM,H2,%d", wire);
    return session::SendSentence(text);
}

// One 100 kHz step from `frequency`, also formed modulo 2^32.
int Stepped(int frequency, int step) {
    return static_cast<int>(static_cast<unsigned>(frequency) + static_cast<unsigned>(step));
}

int StoredFrequency() {
    ReceiverState& s = State();
    platform::LockGuard guard(s.dataLock);
    return s.published.frequency;
}

// A receiver-driven search, with the search parameter sent first when it
// changes. The parameter is stored before it is sent and kept if that fails.
bool Search(int parameter, const char* direction) {
    ReceiverState& s = State();
    if (parameter != 0 && s.seekParameter.exchange(parameter) != parameter) {
        char text[32];
        std::snprintf(text, sizeof text, "$PLTCM,F,%d", parameter);
        if (!session::SendSentence(text)) return false;
    }
    return session::SendSentence(kModeA3) && session::SendSentence(direction);
}

}  // namespace

}  // namespace rdstmc

bool TmcControlTuner(TmcControlCmd command, int value) {
    using namespace rdstmc;
    ReceiverState& s = State();
    if (!s.portOpen.load()) return false;
    bool sent = false;
    unsigned char mode = 1;
    switch (static_cast<unsigned>(command)) {
        case TmcTune:
            sent = SendTune(value);
            break;
        case TmcStepUp: {
            const int f = StoredFrequency();
            sent = SendTune(f == kBandTop ? kBandBottom : Stepped(f, 1));
            break;
        }
        case TmcStepDown: {
            const int f = StoredFrequency();
            sent = SendTune(f == kBandBottom ? kBandTop : Stepped(f, -1));
            break;
        }
        case TmcSeekUp: sent = Search(0, kSearchUp); mode = 0; break;
        case TmcSeekDown: sent = Search(0, kSearchDown); mode = 0; break;
        case TmcSeekUpF470: sent = Search(kSeekNarrow, kSearchUp); mode = 0; break;
        case TmcSeekDownF470: sent = Search(kSeekNarrow, kSearchDown); mode = 0; break;
        case TmcSeekUpF502: sent = Search(kSeekWide, kSearchUp); mode = 0; break;
        case TmcSeekDownF502: sent = Search(kSeekWide, kSearchDown); mode = 0; break;
        case TmcModeA1: sent = session::SendSentence(kModeA1); break;
        default: return false;
    }
    if (sent) s.tunerMode.store(mode);
    return sent;
}

bool TmcSendCommand(const unsigned short text[]) {
    using namespace rdstmc;
    if (!State().portOpen.load()) return false;
    char ascii[kMaxCommandLength + 1];
    if (!text::WideToAscii(text, ascii, sizeof ascii)) return false;
    return session::SendSentence(ascii);
}
