// A host that loads rdstmc.dll at run time and unloads it with FreeLibrary at
// the worst moments: at once after a replay or a port was stopped, and while
// one runs. Each scenario runs in a process of its own, since the library
// keeps itself loaded once it has started a worker.
//
//   windows_unload_test.exe DLL after-replay-stop|during-replay|after-close|during-port [LOG]
//
// Exit code 0 when FreeLibrary returned within its bound and the process is
// still alive two seconds later; a watchdog ends a hung process with 3, and
// a fault anywhere ends it with 4.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A hang in FreeLibrary holds the loader lock, which a thread created now
// could not even start under; so the watchdog starts, and is seen running,
// before the library is loaded.
// Generous: a hang never ends, and an emulated 32-bit Wine is slow.
constexpr DWORD kUnloadBoundMs = 30000;
constexpr DWORD kAliveAfterMs = 2000;

volatile LONG g_unloading = 0;  // 1 once FreeLibrary is called
volatile LONG g_unloaded = 0;   // 1 once it returned
HANDLE g_watchdogRunning;

DWORD WINAPI Watchdog(void*) {
    SetEvent(g_watchdogRunning);
    while (InterlockedCompareExchange(&g_unloading, 0, 0) == 0) Sleep(10);
    const ULONGLONG start = GetTickCount64();
    while (InterlockedCompareExchange(&g_unloaded, 0, 0) == 0) {
        if (GetTickCount64() - start > kUnloadBoundMs) {
            std::printf("FAILED: FreeLibrary has not returned after %lu ms\n", kUnloadBoundMs);
            std::fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        Sleep(10);
    }
    return 0;
}

// The library's exports as GCC names them; this program is built by the
// same compiler, so the names agree.
struct Library {
    HMODULE module = nullptr;
    bool (*open)(const unsigned short*, unsigned) = nullptr;
    bool (*close)() = nullptr;
    bool (*startSimulation)(const unsigned short*) = nullptr;
    bool (*stopSimulation)() = nullptr;
    bool (*frequency)(int&) = nullptr;

    explicit Library(const wchar_t* path) : module(LoadLibraryW(path)) {
        if (module == nullptr) return;
        Find(open, "_Z7TmcOpenPKtj");
        Find(close, "_Z8TmcClosev");
        Find(startSimulation, "_Z18TmcStartSimulationPKt");
        Find(stopSimulation, "_Z17TmcStopSimulationv");
        Find(frequency, "_Z20TmcGetTunerFrequencyRi");
    }
    template <class F>
    void Find(F& function, const char* name) {
        // Through a generic function pointer, as the export's type is not known to the loader.
        function = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
    bool Usable() const { return module && open && close && startSimulation && stopSimulation && frequency; }
    // Waits until the library reports a tuned frequency: its worker is running.
    bool Running() const {
        int f = 0;
        for (int i = 0; i < 6000; ++i) {
            if (frequency(f) && f != 0) return true;
            Sleep(10);
        }
        return false;
    }
};

const unsigned short* Units(const wchar_t* text) { return reinterpret_cast<const unsigned short*>(text); }

// A recording of a few seconds, so a replay is still running when unloaded.
bool WriteRecording(const std::wstring& path) {
    std::string log;
    for (int t = 0; t < 6000; t += 250) log += "[" + std::to_string(t) + "],$PLTTQ,9690,40,0,0,0*53\r\n";
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok = WriteFile(h, log.data(), static_cast<DWORD>(log.size()), &n, nullptr) && n == log.size();
    CloseHandle(h);
    return ok;
}

// A worker left running in unmapped code faults; that must fail the run
// rather than end in a debugger's report with the main thread's exit code.
LONG WINAPI Crashed(EXCEPTION_POINTERS* e) {
    std::printf("FAILED: exception %08lx at %p\n", e->ExceptionRecord->ExceptionCode,
                e->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 4);
    return EXCEPTION_EXECUTE_HANDLER;
}

void Unload(Library& library) {
    InterlockedExchange(&g_unloading, 1);
    FreeLibrary(library.module);
    InterlockedExchange(&g_unloaded, 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string scenario = argv[2];
    wchar_t dll[MAX_PATH], log[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, dll, MAX_PATH);
    MultiByteToWideChar(CP_UTF8, 0, argc > 3 ? argv[3] : "unload-test.log", -1, log, MAX_PATH);

    SetUnhandledExceptionFilter(Crashed);
    g_watchdogRunning = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    if (WaitForSingleObject(g_watchdogRunning, 5000) != WAIT_OBJECT_0) {
        std::printf("FAILED: the watchdog did not start\n");
        return 1;
    }
    if (!WriteRecording(log)) {
        std::printf("FAILED: cannot write %s\n", argc > 3 ? argv[3] : "unload-test.log");
        return 1;
    }

    Library library(dll);
    if (!library.Usable()) {
        std::printf("FAILED: cannot load %s or find its exports\n", argv[1]);
        return 1;
    }
    const bool port = scenario == "after-close" || scenario == "during-port";
    const bool started = port ? library.open(Units(L"COM5"), 38400) : library.startSimulation(Units(log));
    if (!started) {
        std::printf("FAILED: the %s did not start\n", port ? "port" : "replay");
        return 1;
    }
    if (!port && !library.Running()) {
        std::printf("FAILED: the replay delivered nothing\n");
        return 1;
    }
    const ULONGLONG before = GetTickCount64();
    if (scenario == "after-replay-stop") {
        library.stopSimulation();
        Unload(library);  // at once: any pause would hide the race
    } else if (scenario == "after-close") {
        library.close();
        Unload(library);
    } else if (scenario == "during-replay" || scenario == "during-port") {
        Unload(library);
    } else {
        std::printf("FAILED: no scenario %s\n", scenario.c_str());
        return 2;
    }
    std::printf("%s: FreeLibrary returned after %llu ms\n", scenario.c_str(), GetTickCount64() - before);
    // The workers go on (or end) in the library, which must still be there.
    Sleep(kAliveAfterMs);
    std::printf("%s: alive %lu ms after the unload\n", scenario.c_str(), kAliveAfterMs);
    DeleteFileW(log);
    return 0;
}
