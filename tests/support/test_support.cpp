#include "support/test_support.h"

#include "all_listeners.h"
#include "support/seams.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "data/listeners.h"
#include "rdstmc_ext.h"
#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "platform/clock.h"
#include "link/sentence.h"

namespace rdstmc::test {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Scaled(timeout);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

void Feed(const std::string& bytes) {
    char buffer[kReceiveBufferSize];
    size_t carried = 0;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t n = std::min(sizeof buffer - carried, bytes.size() - at);
        bytes.copy(buffer + carried, n, at);
        at += n;
        State().scratch.receivedTick = platform::TickCount();  // received now, as a source says
        ProcessBuffer(State(), buffer, buffer + carried + n, carried, true);
    }
}

std::u16string Wide(const std::string& utf8) {
    unsigned short w[rdstmc_detail::kWideCapacity];
    rdstmc_detail::Widen(utf8.c_str(), w);
    return std::u16string(reinterpret_cast<const char16_t*>(w));
}

std::string Narrow(const unsigned short* wide) {
    std::string out;
    for (; *wide; ++wide) {
        const unsigned c = *wide;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void FreshState() { ResetDecoders(); }

QueriesAvailable::QueriesAvailable() { SetQueriesAvailable(true); }
QueriesAvailable::~QueriesAvailable() { SetQueriesAvailable(false); }

TempDir::TempDir() {
    static std::atomic<unsigned> serial{0};
    const auto base = std::filesystem::temp_directory_path();
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            base / ("rdstmc-test-" + std::to_string(stamp) + "-" + std::to_string(serial.fetch_add(1)));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate.u8string();
            return;
        }
    }
    throw std::runtime_error("no temporary directory could be made in " + base.string());
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(path_), ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    out << content;
}

std::string LoggedSentences(const std::string& log) {
    std::string sentences;
    sentences.reserve(log.size());
    for (size_t at = 0; at < log.size();) {
        const size_t comma = log.find("],", at);
        const size_t end = log.find('\n', at);
        if (comma == std::string::npos || end == std::string::npos || comma > end) {
            ADD_FAILURE() << "malformed record at byte " << at;
            break;
        }
        sentences.append(log, comma + 2, end + 1 - (comma + 2));
        at = end + 1;
    }
    return sentences;
}

void FrequencyRecorder::OnFrequencyChanged(int frequency, int quality, unsigned char tunerMode) {
    std::lock_guard<std::mutex> g(mutex_);
    events_.push_back({frequency, quality, tunerMode});
}
std::vector<FrequencyEvent> FrequencyRecorder::Events() const {
    std::lock_guard<std::mutex> g(mutex_);
    return events_;
}

void RdsRecorder::OnRadioText(const unsigned short* text) {
    std::lock_guard<std::mutex> g(mutex_);
    texts_.push_back(Narrow(text));
}
void RdsRecorder::OnRdsTime(const TmcRdsTime& time) {
    std::lock_guard<std::mutex> g(mutex_);
    times_.push_back(time);
}
void RdsRecorder::OnStationName(int pi, const unsigned short* name) {
    std::lock_guard<std::mutex> g(mutex_);
    stations_.emplace_back(pi, Narrow(name));
}
void RdsRecorder::OnAlternativeFrequencies(const int* list) {
    std::lock_guard<std::mutex> g(mutex_);
    afLists_.emplace_back(list, list + 25);
}
std::vector<std::string> RdsRecorder::RadioTexts() const {
    std::lock_guard<std::mutex> g(mutex_);
    return texts_;
}
std::vector<TmcRdsTime> RdsRecorder::Times() const {
    std::lock_guard<std::mutex> g(mutex_);
    return times_;
}
std::vector<std::pair<int, std::string>> RdsRecorder::Stations() const {
    std::lock_guard<std::mutex> g(mutex_);
    return stations_;
}
std::vector<std::vector<int>> RdsRecorder::AfLists() const {
    std::lock_guard<std::mutex> g(mutex_);
    return afLists_;
}

void StatusRecorder::OnStatusChanged(const TmcStatus& status) {
    std::lock_guard<std::mutex> g(mutex_);
    statuses_.push_back(status);
}
std::vector<TmcStatus> StatusRecorder::Statuses() const {
    std::lock_guard<std::mutex> g(mutex_);
    return statuses_;
}
bool StatusRecorder::WaitFor(TmcStatus status, std::chrono::milliseconds timeout) const {
    return WaitUntil(
        [&] {
            std::lock_guard<std::mutex> g(mutex_);
            return !statuses_.empty() && statuses_.back() == status;
        },
        timeout);
}

void RawRecorder::OnRawData(const unsigned int& word0, const unsigned int& word1) {
    std::lock_guard<std::mutex> g(mutex_);
    groups_.emplace_back(word0, word1);
}
std::vector<std::pair<unsigned, unsigned>> RawRecorder::Groups() const {
    std::lock_guard<std::mutex> g(mutex_);
    return groups_;
}

void DisconnectIfConnected(ITmcFrequencyListener* l) {
    if (State().slots.frequency.listener.load() == l) Disconnect(l);
}
void DisconnectIfConnected(ITmcRdsListener* l) {
    if (State().slots.rds.listener.load() == l) Disconnect(l);
}
void DisconnectIfConnected(ITmcStatusListener* l) {
    if (State().slots.status.listener.load() == l) Disconnect(l);
}
void DisconnectIfConnected(ITmcRawDataListener* l) {
    if (State().slots.rawData.listener.load() == l) Disconnect(l);
}

void DisconnectAll() { tools::DisconnectAll(); }

}  // namespace rdstmc::test
