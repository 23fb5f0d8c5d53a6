// A second process for the named-event tests: opens an event by name and
// either waits for it (exit 0 when taken, 1 on time-out) or sets it.
//   event_peer wait NAME TIMEOUT_MS
//   event_peer set NAME
#include <cstdlib>
#include <cstring>

#include "platform/named_event.h"
#include "platform/wakeup.h"

int main(int argc, char** argv) {
    using namespace rdstmc::platform;
    if (argc < 3) return 2;
    NamedEvent* e = NamedEventOpen(argv[2]);
    if (e == nullptr) return 3;
    int code = 0;
    if (std::strcmp(argv[1], "set") == 0) {
        NamedEventSet(e);
    } else {
        const unsigned timeout = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 5000;
        Wakeup never;
        // Waiting on the same event twice asks for that one event.
        const EventWaitResult r = NamedEventWaitEither(e, e, never, timeout);
        code = r == EventWaitResult::First || r == EventWaitResult::Second ? 0 : 1;
    }
    NamedEventClose(e);
    return code;
}
