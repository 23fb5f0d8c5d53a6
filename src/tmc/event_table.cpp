// Event texts for the codes of the Alert-C event list, from a file the user
// supplies (the texts are licensed, so none ship with the library; the
// properties of every code are built in).
#include <algorithm>
#include <cctype>
#include <string_view>

#include "rdstmc_tmc.h"
#include "tmc/whole_file.h"

namespace rdstmc {
namespace {

constexpr int kEventCodes = 2048;  // 11-bit event codes
constexpr char kQuantifierMark[] = "(Q)";
// The list with its texts in every language is well under a megabyte.
constexpr size_t kMaxListBytes = 64u << 20;

std::string Trim(const std::string& s) {
    size_t from = 0, to = s.size();
    while (from < to && std::isspace(static_cast<unsigned char>(s[from]))) ++from;
    while (to > from && std::isspace(static_cast<unsigned char>(s[to - 1]))) --to;
    return s.substr(from, to - from);
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    for (size_t from = 0; from <= line.size();) {
        size_t to = line.find(';', from);
        if (to == std::string::npos) to = line.size();
        std::string field = Trim(line.substr(from, to - from));
        if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
        fields.push_back(std::move(field));
        from = to + 1;
    }
    return fields;
}

bool IsCode(const std::string& s) {
    return !s.empty() && s.size() <= 4 && std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

TmcUrgency UrgencyLetter(const std::string& s, TmcUrgency otherwise) {
    if (s == "U" || s == "u") return TmcUrgency::Urgent;
    if (s == "X" || s == "x") return TmcUrgency::ExtremelyUrgent;
    if (s == "N" || s == "n" || s.empty()) return s.empty() ? otherwise : TmcUrgency::Normal;
    return otherwise;
}

// The columns of the event list as it circulates with its texts.
struct ListColumns {
    int code = -1, text = -1, quantified = -1, quantifier = -1, urgency = -1;
    bool Usable() const { return code >= 0 && text >= 0; }
};

ListColumns ReadHeader(const std::vector<std::string>& header) {
    ListColumns c;
    for (size_t i = 0; i < header.size(); ++i) {
        std::string name = header[i];
        for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        const int at = static_cast<int>(i);
        if (name == "code") c.code = at;
        if (name == "description") c.text = at;
        if (name == "description with q") c.quantified = at;
        if (name == "q") c.quantifier = at;
        if (name == "u") c.urgency = at;
    }
    return c;
}

const std::string kNoText;

}  // namespace

bool EventTable::Load(const std::string& path, std::string& error) {
    std::string text;
    switch (ReadWholeFile(path, kMaxListBytes, text)) {
        case WholeFile::kRead: break;
        case WholeFile::kUnreadable: error = path + ": cannot be read"; return false;
        case WholeFile::kTooLarge: error = path + ": far too large for an event list"; return false;
    }
    std::vector<Entry> entries(kEventCodes, Entry{"", "", TmcUrgency::Normal, -1});
    for (int code = 0; code < kEventCodes; ++code) {
        if (const TmcEventProperties* p = TmcEventInfo(code)) {
            entries[static_cast<size_t>(code)].urgency = p->urgency;
            entries[static_cast<size_t>(code)].quantifierType = p->quantifierType;
        }
    }
    size_t loaded = 0;
    ListColumns list;
    bool first = true;
    for (size_t at = 0; at < text.size(); first = false) {
        size_t feed = text.find('\n', at);
        if (feed == std::string::npos) feed = text.size();
        std::string line = text.substr(at, feed - at);
        at = feed + 1;
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a byte order mark
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        const std::vector<std::string> fields = SplitFields(trimmed);
        if (first) {
            list = ReadHeader(fields);
            if (list.Usable()) continue;
        }
        const auto field = [&](int index) {
            return index >= 0 && static_cast<size_t>(index) < fields.size() ? fields[static_cast<size_t>(index)] : "";
        };
        const std::string code = field(list.Usable() ? list.code : 0);
        if (!IsCode(code)) continue;
        const int number = std::stoi(code);
        if (number >= kEventCodes) continue;
        Entry& e = entries[static_cast<size_t>(number)];
        if (e.text.empty()) ++loaded;
        if (list.Usable()) {
            e.text = field(list.text);
            e.quantifiedText = field(list.quantified);
            e.urgency = UrgencyLetter(field(list.urgency), e.urgency);
            // The list's own numbering: blank for none, 0 for a small number.
            const std::string q = field(list.quantifier);
            if (list.quantifier >= 0) e.quantifierType = IsCode(q) ? std::stoi(q) : -1;
        } else {
            e.text = field(1);
            if (fields.size() > 2) e.urgency = UrgencyLetter(field(2), e.urgency);
        }
    }
    if (loaded == 0) {
        error = path + ": no event lines (\"code;text\", or the event list with its header row) in it";
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

std::string EventTable::TextOf(const TmcMessage& message, int index) const {
    if (index < 0 || index >= message.eventCount) return "";
    const int code = message.events[index];
    if (static_cast<size_t>(code) >= entries_.size()) return "";
    const Entry& e = entries_[static_cast<size_t>(code)];
    for (int i = 0; i < message.quantifierCount; ++i) {
        const TmcMessage::Quantifier& q = message.quantifiers[i];
        const size_t mark = e.quantifiedText.find(kQuantifierMark);
        if (q.event != index || mark == std::string::npos) continue;
        std::string text = e.quantifiedText;
        return text.replace(mark, sizeof kQuantifierMark - 1, TmcQuantifierText(std::max(e.quantifierType, 0), q.value));
    }
    return e.text;
}

TmcUrgency EventTable::UrgencyOf(const TmcMessage& message) const {
    int level = 0;
    if (message.eventCount > 0 && message.events[0] < entries_.size()) {
        level = static_cast<int>(entries_[message.events[0]].urgency);
    } else if (message.eventCount > 0) {
        return TmcUrgencyOf(message);
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
