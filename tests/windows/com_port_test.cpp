// A Windows program that uses rdstmc.dll as any client does, on a real COM
// port: the library opens COM5, this program plays the receiver module on
// COM6, and the two are joined outside (run_under_wine.sh joins two
// pseudo-terminals with socat and maps them to COM5 and COM6).
//
//   windows_com_test.exe            runs every check, prints "N passed, N failed"
//   windows_com_test.exe wait-event waits up to 8 s for TMC activity (a second process)
#include <windows.h>

#include <rdstmc.h>
#include <rdstmc_ext.h>

#include "all_listeners.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = ULONGLONG;  // milliseconds of GetTickCount64
Clock Now() { return GetTickCount64(); }

int g_passed = 0, g_failed = 0;

#define CHECK(condition)                                                                \
    do {                                                                                \
        if (condition) {                                                                \
            ++g_passed;                                                                 \
        } else {                                                                        \
            ++g_failed;                                                                 \
            std::printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #condition);          \
        }                                                                               \
    } while (0)

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const Clock deadline = Now() + timeoutMs;
    while (!condition()) {
        if (Now() >= deadline) return condition();
        Sleep(5);
    }
    return true;
}

std::string Frame(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) {
        if (c != '$') sum ^= static_cast<unsigned char>(c);
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return body + tail;
}

std::string Group(unsigned a, unsigned b, unsigned c, unsigned d) {
    return Frame("$PLTTR,0," + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
                 std::to_string(d));
}

// The receiver module, on COM6.
class Module {
public:
    Module() {
        port_ = CreateFileW(L"\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (port_ == INVALID_HANDLE_VALUE) return;
        DCB dcb;
        std::memset(&dcb, 0, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        GetCommState(port_, &dcb);
        dcb.BaudRate = 38400;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fOutX = dcb.fInX = FALSE;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
        SetCommState(port_, &dcb);
        COMMTIMEOUTS t;
        std::memset(&t, 0, sizeof t);
        t.ReadIntervalTimeout = 5;
        t.ReadTotalTimeoutConstant = 20;
        SetCommTimeouts(port_, &t);
        reader_ = std::thread([this] { Read(); });
    }
    ~Module() { Close(); }
    void Close() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
        port_ = INVALID_HANDLE_VALUE;
    }
    bool Open() const { return port_ != INVALID_HANDLE_VALUE; }

    bool Send(const std::string& bytes) {
        DWORD n = 0;
        return WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
    }
    struct Line {
        std::string text;
        Clock at;
    };
    std::vector<Line> Lines() {
        std::lock_guard<std::mutex> guard(mutex_);
        return lines_;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(mutex_);
        lines_.clear();
    }
    bool WaitForLines(size_t count, DWORD timeoutMs) {
        return WaitUntil([&] { return Lines().size() >= count; }, timeoutMs);
    }

private:
    void Read() {
        std::string partial;
        char buffer[256];
        while (!stop_) {
            DWORD n = 0;
            if (!ReadFile(port_, buffer, sizeof buffer, &n, nullptr) || n == 0) {
                Sleep(20);  // nothing, or the far end gone
                continue;
            }
            const Clock at = Now();
            std::lock_guard<std::mutex> guard(mutex_);
            for (DWORD i = 0; i < n; ++i) {
                partial += buffer[i];
                if (buffer[i] == '\n') {
                    lines_.push_back({partial, at});
                    partial.clear();
                }
            }
        }
    }

    HANDLE port_ = INVALID_HANDLE_VALUE;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Line> lines_;
    std::thread reader_;
};

std::string Narrow(const unsigned short* w) {
    std::string out;
    for (; w && *w; ++w) out += *w < 0x80 ? static_cast<char>(*w) : '?';
    return out;
}

// Every notification, as it came.
struct Recorder : ITmcFrequencyListener, ITmcRdsListener, ITmcStatusListener, ITmcRawDataListener {
    void OnFrequencyChanged(int frequency, int, unsigned char) override {
        std::lock_guard<std::mutex> g(mutex);
        frequencies.push_back(frequency);
        heardFrequency = Now();
    }
    void OnRadioText(const unsigned short* text) override {
        std::lock_guard<std::mutex> g(mutex);
        texts.push_back(Narrow(text));
    }
    void OnRdsTime(const TmcRdsTime& t) override {
        std::lock_guard<std::mutex> g(mutex);
        times.push_back(t);
    }
    void OnStationName(int pi, const unsigned short* name) override {
        std::lock_guard<std::mutex> g(mutex);
        stations.push_back(std::to_string(pi) + ":" + Narrow(name));
    }
    void OnAlternativeFrequencies(const int* list) override {
        std::lock_guard<std::mutex> g(mutex);
        afLists.push_back(std::vector<int>(list, list + 25));
    }
    void OnStatusChanged(const TmcStatus& s) override {
        std::lock_guard<std::mutex> g(mutex);
        statuses.push_back(s);
        if (s == TmcStatusStopped) stoppedAt = Now();
    }
    void OnRawData(const unsigned int& w0, const unsigned int& w1) override {
        std::lock_guard<std::mutex> g(mutex);
        raw.push_back({w0, w1});
    }
    template <class T>
    T Copy(const T& field) {
        std::lock_guard<std::mutex> g(mutex);
        return field;
    }
    bool HasStatus(TmcStatus s) {
        const auto all = Copy(statuses);
        return std::find(all.begin(), all.end(), s) != all.end();
    }
    void ConnectAll() { rdstmc::tools::ConnectAll(this); }

    std::mutex mutex;
    std::vector<int> frequencies;
    std::vector<std::string> texts, stations;
    std::vector<TmcRdsTime> times;
    std::vector<std::vector<int>> afLists;
    std::vector<TmcStatus> statuses;
    std::vector<std::pair<unsigned, unsigned>> raw;
    std::atomic<Clock> heardFrequency{0}, stoppedAt{0};
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int WaitForEventProcess() {
    const HANDLE e = OpenEventW(SYNCHRONIZE, FALSE, L"TmcStatusTmcNotifyEvent");
    if (e == nullptr) return 2;
    const DWORD r = WaitForSingleObject(e, 8000);
    CloseHandle(e);
    return r == WAIT_OBJECT_0 ? 0 : 1;
}

void MissingPort(Recorder& r) {
    CHECK(!TmcOpen(L"COM9", 38400));
    CHECK(TmcGetStatus() == TmcStatusOpenFailed);
    CHECK(r.HasStatus(TmcStatusOpenFailed));
    CHECK(!TmcOpen(nullptr, 38400));
}

std::string ReadWhole(const std::wstring& path) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string content(1 << 16, '\0');
    DWORD n = 0;
    ReadFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    CloseHandle(h);
    content.resize(n);
    return content;
}

// A log typed where the port belongs is refused and left as it was; COM
// names are taken as users write them.
void WhatMayBeAPort(Module& module) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"rdstmc-not-a-port.log";
    std::string content;
    for (int i = 0; i < 60; ++i) content += "[" + std::to_string(i * 100) + "]," + Frame("$PLTTQ,9690,40,0,0,0");
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    CHECK(h != INVALID_HANDLE_VALUE && WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr));
    CloseHandle(h);
    CHECK(!TmcOpen(path.c_str(), 38400));
    CHECK(TmcGetStatus() == TmcStatusOpenFailed);
    CHECK(ReadWhole(path) == content);
    DeleteFileW(path.c_str());

    for (const wchar_t* name : {L"COM05", L"com5:", L"COM12:", L"COM012"}) {
        const bool opened = TmcOpen(name, 38400);
        if (!opened) std::printf("FAILED to open %ls\n", name);
        CHECK(opened);
        CHECK(TmcClose());
    }
    CHECK(WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }, 3000));
    module.Clear();
}

void OpenSendsTheStartUpSentences(Module& module, Recorder& r) {
    const Clock start = Now();
    CHECK(TmcOpen(L"COM5", 38400));
    const Clock took = Now() - start;
    std::printf("measure: TmcOpen on a silent module %llu ms\n", took);
    CHECK(took < 1000);
    // Each start-up sentence is followed by its 150 ms pause; measured here,
    // on the sending side, as the module's reader may take both in one read.
    CHECK(took >= 290);
    CHECK(TmcIsOpen());
    CHECK(!TmcOpen(u"COM5", 38400));
    CHECK(module.WaitForLines(2, 3000));
    const auto lines = module.Lines();
    CHECK(lines.size() >= 2 && lines[0].text == "$PLTCM,H2,8800*3C\r\n");
    CHECK(lines.size() >= 2 && lines[1].text == "$PLTCM,RFA,65535*23\r\n");
    CHECK(WaitUntil([&] { return r.HasStatus(TmcStatusNoRds); }, 2000));
    module.Clear();
}

void EveryKindOfNotification(Module& module, Recorder& r) {
    module.Send(Frame("$PLTTQ,9690,50,0,0,0"));
    CHECK(WaitUntil([&] { return !r.Copy(r.frequencies).empty(); }, 3000));
    int f = 0;
    CHECK(TmcGetTunerFrequency(f) && f == 969);
    // AF list: 0A groups of PI 25089 (0x6201), method A, 3 frequencies; then
    // the name, which the receiver reports with the PI of the last 0A group.
    module.Send(Group(25089, 0, 227 * 256 + 10, 0) + Group(25089, 1, 20 * 256 + 30, 0));
    module.Send(Frame("$PLTCH,\"JACK FM \""));
    // Radio text "HI" and a carriage return.
    module.Send(Group(25089, 0x2000, 0x4849, 0x0D00));
    // Clock time: MJD 54381, 08:47.
    const unsigned mjd = 54381, hour = 8, minute = 47;
    module.Send(Group(25089, 0x4000 | (mjd >> 15), ((mjd & 0x7FFF) << 1) | (hour >> 4), ((hour & 0xF) << 12) | (minute << 6)));
    module.Send(Group(25089, 0x8000 | 0x0A, 0x1234, 0x5678));
    CHECK(WaitUntil([&] { return !r.Copy(r.texts).empty() && !r.Copy(r.times).empty() && r.Copy(r.raw).size() >= 2; }, 3000));
    CHECK(r.Copy(r.stations) == std::vector<std::string>{"25089:JACK FM "});
    const auto af = r.Copy(r.afLists);
    CHECK(af.size() == 1 && af[0][0] == 885 && af[0][1] == 895 && af[0][2] == 905 && af[0][3] == 0);
    CHECK(r.Copy(r.texts) == std::vector<std::string>{"HI"});
    const auto times = r.Copy(r.times);
    CHECK(!times.empty() && times[0].year == 2007 && times[0].month == 10 && times[0].day == 8 && times[0].hour == 8 &&
          times[0].minute == 47);
    const auto raw = r.Copy(r.raw);
    CHECK(!raw.empty() && raw.back() == std::make_pair((25089u << 16) | 0x800Au, 0x12345678u));
    unsigned long pi = 0;
    unsigned short name[9];
    CHECK(TmcGetRdsStation(pi, name, 9) && pi == 25089 && Narrow(name) == "JACK FM ");
    // The status follows: TMC within seconds of the TMC-related groups.
    CHECK(WaitUntil([&] { return r.HasStatus(TmcStatusTmc); }, 4000));

    // Latency: sentence written on COM6 -> listener call.
    std::vector<double> latency;
    for (int i = 0; i < 20; ++i) {
        const Clock before = r.heardFrequency.load();
        const Clock sent = Now();
        module.Send(Frame("$PLTTQ," + std::to_string(8800 + 10 * i) + ",40,0,0,0"));
        if (WaitUntil([&] { return r.heardFrequency.load() != before; }, 2000)) {
            latency.push_back(static_cast<double>(r.heardFrequency.load() - sent));
        }
    }
    CHECK(latency.size() == 20);
    std::printf("measure: COM6 write -> listener call, median %.0f ms (max %.0f ms)\n", Median(latency),
                latency.empty() ? 0.0 : *std::max_element(latency.begin(), latency.end()));
    CHECK(Median(latency) < 200);
}

void AnotherProcessWaitsOnTheTmcEvent(Module& module) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" wait-event";
    STARTUPINFOW si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    CHECK(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // The library's status worker waits on the event too; each set wakes one
    // waiter, so keep TMC groups coming until the other process had one.
    DWORD code = STILL_ACTIVE;
    for (int i = 0; i < 8 && code == STILL_ACTIVE; ++i) {
        module.Send(Group(25089, 0x8000 | 0x0B, static_cast<unsigned>(i), 1));
        WaitForSingleObject(pi.hProcess, 1100);
        GetExitCodeProcess(pi.hProcess, &code);
    }
    CHECK(code == 0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

void TunerCommands(Module& module) {
    module.Clear();
    CHECK(TmcControlTuner(TmcTune, 1015));
    CHECK(TmcControlTuner(TmcSeekUp, 0));
    CHECK(TmcSendCommand(L"$PLTCM,A1"));
    CHECK(module.WaitForLines(4, 3000));
    const auto lines = module.Lines();
    CHECK(lines.size() == 4 && lines[0].text == "$PLTCM,H2,10150*09\r\n" && lines[1].text == "$PLTCM,A3*18\r\n" &&
          lines[2].text == "$PLTCM,+*41\r\n" && lines[3].text == "$PLTCM,A1*1A\r\n");
    CHECK(!TmcControlTuner(static_cast<TmcControlCmd>(10), 0));
}

void LogThenReplay(Module& module, Recorder& r) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring log = std::wstring(dir) + L"rdstmc-com-test.log";
    DeleteFileW(log.c_str());
    CHECK(TmcStartLogging(log.c_str()));
    // While another program holds the file unshared, records are refused;
    // the sentence is decoded once its record was given up.
    const HANDLE holder = CreateFileW(log.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK(holder != INVALID_HANDLE_VALUE);
    module.Send(Frame("$PLTTQ,10110,48,0,0,0"));
    int f = 0;
    CHECK(WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 1011; }, 3000));
    CloseHandle(holder);
    module.Send(Frame("$PLTTQ,10120,48,0,0,0"));
    CHECK(WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 1012; }, 3000));
    CHECK(TmcStopLogging());
    const HANDLE h = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char text[512] = {};
    DWORD n = 0;
    if (h != INVALID_HANDLE_VALUE) {
        ReadFile(h, text, sizeof text - 1, &n, nullptr);
        CloseHandle(h);
    }
    const std::string record(text, n);
    CHECK(record.size() > 3 && record[0] == '[' && record.find("],$PLTTQ,10120,48,0,0,0*") != std::string::npos);
    CHECK(record.find("10110") == std::string::npos);
    CHECK(record.size() > 2 && record.substr(record.size() - 2) == "\r\n");

    // Close: the workers end and report "stopped" at once.
    const Clock closed = Now();
    r.stoppedAt = 0;
    CHECK(TmcClose());
    CHECK(WaitUntil([&] { return r.stoppedAt.load() != 0; }, 2000));
    std::printf("measure: TmcClose -> TmcStatusStopped %llu ms\n", r.stoppedAt.load() - closed);
    CHECK(r.stoppedAt.load() - closed < 500);
    CHECK(!TmcClose());

    // The log plays back in place of the module.
    const size_t before = r.Copy(r.frequencies).size();
    CHECK(TmcStartSimulation(log.c_str()));
    CHECK(WaitUntil([&] { return r.Copy(r.frequencies).size() > before; }, 3000));
    CHECK(r.Copy(r.frequencies).back() == 1012);
    CHECK(!TmcControlTuner(TmcTune, 900));
    // The replay ends by itself a second after its last batch.
    CHECK(WaitUntil([&] { return !TmcGetTunerFrequency(f); }, 5000));
    DeleteFileW(log.c_str());
}

void ReopenTwice(Module& module) {
    CHECK(TmcOpen(L"COM5", 38400));
    module.Clear();
    CHECK(TmcReopen());
    CHECK(TmcReopen());
    CHECK(module.WaitForLines(4, 4000));
    module.Send(Frame("$PLTTQ,9000,40,0,0,0"));
    int f = 0;
    CHECK(WaitUntil([&] { return TmcGetTunerFrequency(f) && f == 900; }, 3000));
}

bool FileExists(const wchar_t* name) { return GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES; }

// The COM port vanishes (its far end is killed): no crash, no busy loop, the
// library says the device has gone, finds it again once it is back, and the
// port can be closed.
void ThePortVanishes(Module& module, Recorder& r) {
    const HANDLE ready = CreateFileW(L"vanish-ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(ready);
    const bool vanished = WaitUntil([] { return FileExists(L"vanished"); }, 20000);
    CHECK(vanished);
    // Only the library's side is measured: the module lets go of its end.
    module.Close();
    FILETIME created, exited, kernel0, user0, kernel1, user1;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel0, &user0);
    const Clock start = Now();
    Sleep(2000);  // a span to measure CPU over, not a synchronisation
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel1, &user1);
    const auto ticks = [](const FILETIME& f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    const double cpuMs = static_cast<double>(ticks(kernel1) - ticks(kernel0) + ticks(user1) - ticks(user0)) / 10000.0;
    const double share = cpuMs / static_cast<double>(Now() - start);
    std::printf("measure: CPU share with the port gone %.3f\n", share);
    CHECK(share < 0.2);
    CHECK(!TmcIsDevicePresent());
    CHECK(TmcIsOpen());

    const HANDLE replug = CreateFileW(L"replug-ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(replug);
    CHECK(WaitUntil([] { return FileExists(L"replugged"); }, 20000));
    CHECK(WaitUntil([] { return TmcIsDevicePresent(); }, 5000));
    Module again;
    CHECK(again.Open());
    again.Send(Frame("$PLTTQ,9330,40,0,0,0"));
    CHECK(WaitUntil([&] { return !r.Copy(r.frequencies).empty() && r.Copy(r.frequencies).back() == 933; }, 3000));
    CHECK(TmcClose());
    CHECK(WaitUntil([] { return TmcGetStatus() == TmcStatusStopped; }, 3000));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "wait-event") == 0) return WaitForEventProcess();
    Recorder recorder;
    recorder.ConnectAll();
    Module module;
    CHECK(module.Open());
    if (module.Open()) {
        MissingPort(recorder);
        WhatMayBeAPort(module);
        OpenSendsTheStartUpSentences(module, recorder);
        EveryKindOfNotification(module, recorder);
        AnotherProcessWaitsOnTheTmcEvent(module);
        TunerCommands(module);
        LogThenReplay(module, recorder);
        ReopenTwice(module);
        ThePortVanishes(module, recorder);
    }
    Disconnect(static_cast<ITmcFrequencyListener*>(nullptr));
    Disconnect(static_cast<ITmcRdsListener*>(nullptr));
    Disconnect(static_cast<ITmcStatusListener*>(nullptr));
    Disconnect(static_cast<ITmcRawDataListener*>(nullptr));
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
