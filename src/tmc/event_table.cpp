// Event texts for the codes of the Alert-C event list, from a file the user
// supplies (the list itself is licensed, so none ships with the library).
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "rdstmc_tmc.h"

namespace rdstmc {
namespace {

constexpr int kEventCodes = 2048;  // 11-bit event codes

std::string Trim(const std::string& s) {
    size_t from = 0, to = s.size();
    while (from < to && std::isspace(static_cast<unsigned char>(s[from]))) ++from;
    while (to > from && std::isspace(static_cast<unsigned char>(s[to - 1]))) --to;
    return s.substr(from, to - from);
}

const std::string kNoText;

}  // namespace

bool EventTable::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<Entry> entries(kEventCodes, Entry{"", TmcUrgency::Normal});
    size_t loaded = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        const size_t first = trimmed.find(';');
        if (first == std::string::npos) continue;
        const std::string code = Trim(trimmed.substr(0, first));
        if (code.empty() || code.size() > 4 || !std::all_of(code.begin(), code.end(), ::isdigit)) continue;
        const int number = std::stoi(code);
        if (number >= kEventCodes) continue;
        const size_t second = trimmed.find(';', first + 1);
        Entry& e = entries[static_cast<size_t>(number)];
        if (e.text.empty()) ++loaded;
        e.text = Trim(trimmed.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
        if (second != std::string::npos) {
            const std::string urgency = Trim(trimmed.substr(second + 1, trimmed.find(';', second + 1) - second - 1));
            if (urgency == "U" || urgency == "u") e.urgency = TmcUrgency::Urgent;
            if (urgency == "X" || urgency == "x") e.urgency = TmcUrgency::ExtremelyUrgent;
        }
    }
    if (loaded == 0) {
        error = path + ": no event lines (\"code;text\") in it";
        return false;
    }
    entries_ = std::move(entries);
    size_ = loaded;
    return true;
}

const std::string& EventTable::Text(int code) const {
    if (code < 0 || static_cast<size_t>(code) >= entries_.size()) return kNoText;
    return entries_[static_cast<size_t>(code)].text;
}

TmcUrgency EventTable::UrgencyOf(const TmcMessage& message) const {
    int level = 0;
    if (message.eventCount > 0 && message.events[0] < entries_.size()) {
        level = static_cast<int>(entries_[message.events[0]].urgency);
    }
    // The control codes raise or lower the urgency by one step each; the
    // standard does not say what a step past either end means, and reading
    // it as "stays at the end" never turns an extremely urgent message into
    // a normal one.
    level = std::clamp(level + message.urgencyChange, 0, 2);
    return static_cast<TmcUrgency>(level);
}

size_t EventTable::Size() const { return size_; }

}  // namespace rdstmc
