// Location tables in the exchange format of the table publishers: one
// semicolon-separated .DAT file per kind of record, each with a header line
// naming its columns, in the character set that README.DAT names.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <tuple>
#include <sstream>
#include <utility>

#include "rdstmc_tmc.h"

#include "text/text.h"

namespace rdstmc {
namespace {

enum class Encoding { kUtf8, kLatin1, kLatin9, kWindows1252 };

// The 0x80-0x9F row of Windows-1252, where it differs from ISO-8859-1.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, unsigned cp) {
    char bytes[4];
    out.append(bytes, text::EncodeUtf8(cp, bytes));
}

unsigned Latin9(unsigned char c) {
    switch (c) {
        case 0xA4: return 0x20AC;
        case 0xA6: return 0x0160;
        case 0xA8: return 0x0161;
        case 0xB4: return 0x017D;
        case 0xB8: return 0x017E;
        case 0xBC: return 0x0152;
        case 0xBD: return 0x0153;
        case 0xBE: return 0x0178;
        default: return c;
    }
}

std::string ToUtf8(const std::string& text, Encoding encoding) {
    if (encoding == Encoding::kUtf8) return text;
    std::string out;
    for (unsigned char c : text) {
        unsigned cp = c;
        if (encoding == Encoding::kLatin9) cp = Latin9(c);
        if (encoding == Encoding::kWindows1252 && c >= 0x80 && c < 0xA0) cp = kWindows1252High[c - 0x80];
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The character set README.DAT names; an unnamed or unknown set is read as
// ISO-8859-1, which keeps every byte a character. False without a README.
bool ReadEncoding(const std::string& directory, Encoding& encoding) {
    std::ifstream in(directory + "/README.DAT", std::ios::binary);
    if (!in) return false;
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = Upper(text.str());
    const auto names = [&](const char* a, const char* b) {
        return s.find(a) != std::string::npos || s.find(b) != std::string::npos;
    };
    encoding = names("UTF-8", "UTF8")       ? Encoding::kUtf8
               : names("8859-15", "LATIN9") ? Encoding::kLatin9
               : names("1252", "CP1252")    ? Encoding::kWindows1252
                                            : Encoding::kLatin1;
    return true;
}

bool ValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) continue;
        const size_t extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        if (extra == 0 || s.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += extra;
    }
    return true;
}

// One .DAT file: its rows as fields, addressed by column name.
class DatFile {
public:
    bool Open(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        std::string line;
        if (!std::getline(in, line)) return false;
        const std::vector<std::string> header = Split(line);
        for (size_t i = 0; i < header.size(); ++i) columns_[Upper(header[i])] = i;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) rows_.push_back(Split(line));
        }
        return true;
    }
    size_t Rows() const { return rows_.size(); }
    std::string Text(size_t row, const char* column) const {
        const auto c = columns_.find(column);
        if (c == columns_.end() || c->second >= rows_[row].size()) return "";
        return rows_[row][c->second];
    }
    int Number(size_t row, const char* column) const {
        const std::string t = Text(row, column);
        if (t.empty() || !std::all_of(t.begin(), t.end(), ::isdigit) || t.size() > 9) return -1;
        return std::stoi(t);
    }
    bool Has(const char* column) const { return columns_.count(column) != 0; }

private:
    static std::vector<std::string> Split(const std::string& line) {
        std::vector<std::string> fields;
        std::string field;
        std::istringstream in(line);
        while (std::getline(in, field, ';')) {
            while (!field.empty() && (field.back() == '\r' || field.back() == ' ')) field.pop_back();
            if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
                field = field.substr(1, field.size() - 2);
            }
            fields.push_back(field);
        }
        return fields;
    }

    std::map<std::string, size_t> columns_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace

bool LocationTable::Load(const std::string& directory, std::string& error) {
    std::map<std::pair<int, int>, std::string> names;  // (CID, NID) -> name
    DatFile file;
    if (!file.Open(directory + "/NAMES.DAT")) {
        error = directory + ": no NAMES.DAT (a location table directory holds POINTS.DAT, ROADS.DAT, NAMES.DAT, ...)";
        return false;
    }
    bool allUtf8 = true;
    for (size_t r = 0; r < file.Rows(); ++r) {
        const std::string name = file.Text(r, "NAME");
        allUtf8 = allUtf8 && ValidUtf8(name);
        names.emplace(std::make_pair(file.Number(r, "CID"), file.Number(r, "NID")), name);
    }
    // Without a README the names tell: UTF-8 when they all are, else ISO-8859-1.
    Encoding encoding = allUtf8 ? Encoding::kUtf8 : Encoding::kLatin1;
    ReadEncoding(directory, encoding);
    const auto nameOf = [&](int cid, int nid) {
        const auto n = names.find({cid, nid});
        return n == names.end() ? std::string() : ToUtf8(n->second, encoding);
    };

    std::vector<Location> locations;
    const auto load = [&](const char* dat, const char* type) {
        DatFile f;
        if (!f.Open(directory + "/" + dat)) return;
        for (size_t r = 0; r < f.Rows(); ++r) {
            Location l;
            l.cid = f.Number(r, "CID");
            l.tabcd = f.Number(r, "TABCD");
            l.lcd = f.Number(r, "LCD");
            if (l.cid < 0 || l.tabcd < 0 || l.lcd < 0) continue;
            l.type = type;
            l.roadNumber = ToUtf8(f.Text(r, "ROADNUMBER"), encoding);
            l.name = nameOf(l.cid, f.Number(r, f.Has("RNID") && f.Number(r, "RNID") > 0 ? "RNID" : "NID"));
            l.firstName = nameOf(l.cid, f.Number(r, "N1ID"));
            l.secondName = nameOf(l.cid, f.Number(r, "N2ID"));
            l.roadLcd = f.Number(r, "ROA_LCD");
            l.segmentLcd = f.Number(r, "SEG_LCD");
            l.areaLcd = f.Number(r, "POL_LCD");
            locations.push_back(l);
        }
    };
    load("POINTS.DAT", "P");
    load("SEGMENTS.DAT", "L");
    load("ROADS.DAT", "L");
    load("ADMINISTRATIVEAREA.DAT", "A");
    load("OTHERAREAS.DAT", "A");
    if (locations.empty()) {
        error = directory + ": no locations in POINTS.DAT, SEGMENTS.DAT, ROADS.DAT or the area files";
        return false;
    }
    std::sort(locations.begin(), locations.end(), [](const Location& a, const Location& b) {
        return std::tie(a.cid, a.tabcd, a.lcd) < std::tie(b.cid, b.tabcd, b.lcd);
    });
    std::vector<Country> countries;
    DatFile c;
    if (c.Open(directory + "/COUNTRIES.DAT")) {
        for (size_t r = 0; r < c.Rows(); ++r) {
            // The country nibble of a PI, written in hexadecimal.
            const std::string ccd = c.Text(r, "CCD");
            const int value = ccd.size() == 1 && std::isxdigit(static_cast<unsigned char>(ccd[0]))
                                  ? static_cast<int>(std::stoul(ccd, nullptr, 16))
                                  : -1;
            if (c.Number(r, "CID") >= 0 && value >= 0) countries.push_back({c.Number(r, "CID"), value});
        }
    }
    locations_ = std::move(locations);
    countries_ = std::move(countries);
    return true;
}

const LocationTable::Location* LocationTable::Find(int cid, int tabcd, int lcd) const {
    const auto at = std::lower_bound(locations_.begin(), locations_.end(), std::make_tuple(cid, tabcd, lcd),
                                     [](const Location& l, const std::tuple<int, int, int>& key) {
                                         return std::tie(l.cid, l.tabcd, l.lcd) < key;
                                     });
    if (at == locations_.end() || at->cid != cid || at->tabcd != tabcd || at->lcd != lcd) return nullptr;
    return &*at;
}

std::string LocationTable::Describe(uint16_t pi, int ltn, uint16_t location) const {
    if (ltn <= 0) return "";
    // The country: the one COUNTRIES.DAT gives the PI's country nibble, else
    // whichever loaded country has a table of that number.
    const Location* l = nullptr;
    const int nibble = pi >> 12;
    for (const Country& country : countries_) {
        if (country.ccd == nibble && (l = Find(country.cid, ltn, location)) != nullptr) break;
    }
    if (l == nullptr && countries_.empty()) {
        for (size_t i = 0; i < locations_.size() && l == nullptr; ++i) {
            if (i == 0 || locations_[i].cid != locations_[i - 1].cid) l = Find(locations_[i].cid, ltn, location);
        }
    }
    if (l == nullptr) return "";

    const auto span = [](const Location& x) {
        if (x.firstName.empty()) return x.name;
        return x.secondName.empty() ? x.firstName : x.firstName + " - " + x.secondName;
    };
    if (l->type == "A") return l->name.empty() ? l->firstName : l->name;
    if (l->type == "L") {
        const std::string words = span(*l);
        return l->roadNumber.empty() ? words : words.empty() ? l->roadNumber : l->roadNumber + " " + words;
    }
    // A point: the road it lies on, then its own name.
    const Location* road = l->roadLcd > 0 ? Find(l->cid, l->tabcd, l->roadLcd) : nullptr;
    if (road == nullptr && l->segmentLcd > 0) {
        const Location* segment = Find(l->cid, l->tabcd, l->segmentLcd);
        if (segment != nullptr) road = segment->roadLcd > 0 ? Find(l->cid, l->tabcd, segment->roadLcd) : segment;
    }
    std::string roadWords;
    if (road != nullptr) {
        const std::string words = span(*road);
        roadWords = road->roadNumber.empty() ? words : words.empty() ? road->roadNumber : road->roadNumber + " " + words;
    }
    const std::string place = l->firstName.empty() ? l->name : l->firstName;
    if (roadWords.empty()) return place;
    return place.empty() ? roadWords : roadWords + ": " + place;
}

size_t LocationTable::Size() const { return locations_.size(); }

}  // namespace rdstmc
