// Uses only the installed header and library: exits 0 when the exported
// interface links and answers as documented with nothing open.
#include <rdstmc.h>

class Status : public ITmcStatusListener {
public:
    void OnStatusChanged(const TmcStatus&) override {}
};

int main() {
    Status s;
    if (!Connect(&s) || !Disconnect(&s)) return 1;
    int f = 0;
    if (TmcGetTunerFrequency(f) || TmcIsOpen() || TmcClose()) return 2;
    if (TmcOpen("/dev/rdstmc-consumer-missing", 9600)) return 3;
    return TmcGetStatus() == TmcStatusOpenFailed ? 0 : 4;
}
