#include <cstdio>

#include "data/receiver_state.h"
#include "session/receiver.h"
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
bool SendTune(ReceiverState& s, int frequency) {
    const int wire = static_cast<int>(static_cast<unsigned>(frequency) * kWireUnitsPerStep);
    char text[32];
    std::snprintf(text, sizeof text, "$PLTCM,H2,%d", wire);
    return session::SendSentence(s, text);
}

// One 100 kHz step from `frequency`, also formed modulo 2^32.
int Stepped(int frequency, int step) {
    return static_cast<int>(static_cast<unsigned>(frequency) + static_cast<unsigned>(step));
}

int StoredFrequency(ReceiverState& s) {
    platform::LockGuard guard(s.dataLock);
    return s.published.frequency;
}

// A receiver-driven search, with the search parameter sent first when it
// changes. The parameter is stored before it is sent and kept if that fails.
bool Search(ReceiverState& s, int parameter, const char* direction) {
    if (parameter != 0 && s.seekParameter.exchange(parameter) != parameter) {
        char text[32];
        std::snprintf(text, sizeof text, "$PLTCM,F,%d", parameter);
        if (!session::SendSentence(s, text)) return false;
    }
    return session::SendSentence(s, kModeA3) && session::SendSentence(s, direction);
}

}  // namespace

bool ControlTuner(ReceiverState& s, TmcControlCmd command, int value) {
    if (!s.portOpen.load()) return false;
    bool sent = false;
    unsigned char mode = 1;
    switch (static_cast<unsigned>(command)) {
        case TmcTune:
            sent = SendTune(s, value);
            break;
        case TmcStepUp: {
            const int f = StoredFrequency(s);
            sent = SendTune(s, f == kBandTop ? kBandBottom : Stepped(f, 1));
            break;
        }
        case TmcStepDown: {
            const int f = StoredFrequency(s);
            sent = SendTune(s, f == kBandBottom ? kBandTop : Stepped(f, -1));
            break;
        }
        case TmcSeekUp: sent = Search(s, 0, kSearchUp); mode = 0; break;
        case TmcSeekDown: sent = Search(s, 0, kSearchDown); mode = 0; break;
        case TmcSeekUpF470: sent = Search(s, kSeekNarrow, kSearchUp); mode = 0; break;
        case TmcSeekDownF470: sent = Search(s, kSeekNarrow, kSearchDown); mode = 0; break;
        case TmcSeekUpF502: sent = Search(s, kSeekWide, kSearchUp); mode = 0; break;
        case TmcSeekDownF502: sent = Search(s, kSeekWide, kSearchDown); mode = 0; break;
        case TmcModeA1: sent = session::SendSentence(s, kModeA1); break;
        default: return false;
    }
    if (sent) s.tunerMode.store(mode);
    return sent;
}

bool SendCommand(ReceiverState& s, const unsigned short text[]) {
    if (!s.portOpen.load()) return false;
    char ascii[kMaxCommandLength + 1];
    if (!text::WideToAscii(text, ascii, sizeof ascii)) return false;
    return session::SendSentence(s, ascii);
}

}  // namespace rdstmc

bool TmcControlTuner(TmcControlCmd command, int value) { return rdstmc::ControlTuner(rdstmc::State(), command, value); }
bool TmcSendCommand(const unsigned short text[]) { return rdstmc::SendCommand(rdstmc::State(), text); }
