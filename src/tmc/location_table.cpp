// Location tables in the exchange format of the table publishers: one .DAT
// file per kind of record, each with a header line naming its columns, in
// the character set that README.DAT names. Publishers separate the fields
// with semicolons or with tabs, add columns and files of their own, and give
// coordinates in hundred-thousandths of a degree or in decimal degrees: all
// are read as they come.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <tuple>
#include <utility>

#include "rdstmc_tmc.h"
#include "text/text.h"
#include "tmc/whole_file.h"

namespace rdstmc {
namespace {

enum class Encoding { kUtf8, kLatin1, kLatin9, kWindows1252 };

// The 0x80-0x9F row of Windows-1252, where it differs from ISO-8859-1.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// Coordinates are held in units of 10^-5 degree, at most 180 degrees.
constexpr double kCoordinateUnit = 1e-5;
constexpr int kCoordinateDecimals = 5;
constexpr long long kMaxCoordinateUnits = 18000000;
constexpr int kNone = -1;

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

std::string ToUtf8(std::string_view text, Encoding encoding) {
    if (encoding == Encoding::kUtf8) return std::string(text);
    std::string out;
    for (unsigned char c : text) {
        unsigned cp = c;
        if (encoding == Encoding::kLatin9) cp = Latin9(c);
        if (encoding == Encoding::kWindows1252 && c >= 0x80 && c < 0xA0) cp = kWindows1252High[c - 0x80];
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// No real table file comes near this; a guard against reading a wrong,
// huge file whole.
constexpr size_t kMaxTableFileBytes = size_t{1} << 30;

bool ReadWhole(const std::string& path, std::string& out) {
    return ReadWholeFile(path, kMaxTableFileBytes, out) == WholeFile::kRead;
}

// The character set README.DAT names; an unnamed or unknown set is read as
// ISO-8859-1, which keeps every byte a character. False without a README.
bool ReadEncoding(const std::string& directory, Encoding& encoding) {
    std::string text;
    if (!ReadWhole(directory + "/README.DAT", text)) return false;
    const std::string s = Upper(text);
    const auto names = [&](const char* a, const char* b) {
        return s.find(a) != std::string::npos || s.find(b) != std::string::npos;
    };
    encoding = names("UTF-8", "UTF8")       ? Encoding::kUtf8
               : names("8859-15", "LATIN9") ? Encoding::kLatin9
               : names("1252", "CP1252")    ? Encoding::kWindows1252
                                            : Encoding::kLatin1;
    return true;
}

bool ValidUtf8(std::string_view s) {
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

// One .DAT file held whole, its fields as views into it, addressed by row
// and by column name: a country's table of tens of thousands of locations
// is read with one allocation per file.
class DatFile {
public:
    bool Open(const std::string& path) {
        if (!ReadWhole(path, text_)) return false;
        // The header line tells the separator: tabs when it has tabs and no semicolon.
        const std::string_view first(text_.data(), std::min(text_.find('\n'), text_.size()));
        separator_ = first.find('\t') != std::string_view::npos && first.find(';') == std::string_view::npos ? '\t' : ';';
        const char* at = text_.data();
        const char* const end = at + text_.size();
        bool header = true;
        while (at < end) {
            const char* feed = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
            const char* lineEnd = feed ? feed : end;
            const char* next = feed ? feed + 1 : end;
            if (lineEnd > at && lineEnd[-1] == '\r') --lineEnd;
            if (lineEnd > at) {
                if (!header) rows_.push_back(fields_.size());
                SplitInto(std::string_view(at, static_cast<size_t>(lineEnd - at)));
                if (header) {
                    for (size_t i = 0; i < fields_.size(); ++i) columns_.emplace_back(Upper(fields_[i]), i);
                    fields_.clear();
                    header = false;
                }
            }
            at = next;
        }
        rows_.push_back(fields_.size());
        return true;
    }
    size_t Rows() const { return rows_.size() - 1; }
    int Column(const char* name) const {
        for (const auto& [column, index] : columns_) {
            if (column == name) return static_cast<int>(index);
        }
        return kNone;
    }
    std::string_view Text(size_t row, int column) const {
        if (column < 0 || rows_[row] + static_cast<size_t>(column) >= rows_[row + 1]) return {};
        return fields_[rows_[row] + static_cast<size_t>(column)];
    }
    // A whole field of digits with an optional sign; kNone otherwise.
    int Number(size_t row, int column) const {
        const std::string_view t = Text(row, column);
        if (t.empty() || t.size() > 10) return kNone;
        size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
        if (i == t.size()) return kNone;
        long long v = 0;
        for (; i < t.size(); ++i) {
            if (t[i] < '0' || t[i] > '9') return kNone;
            v = v * 10 + (t[i] - '0');
        }
        return static_cast<int>(t[0] == '-' ? -v : v);
    }
    bool HasNumber(size_t row, int column) const { return !Text(row, column).empty() && Number(row, column) != kNone; }
    // Whether any row's field in `column` has a decimal point: a column of
    // coordinates is in decimal degrees then, whole degrees included ("61").
    bool HasDecimalPoints(int column) const {
        for (size_t r = 0; r < Rows(); ++r) {
            if (Text(r, column).find('.') != std::string_view::npos) return true;
        }
        return false;
    }
    // A coordinate in hundred-thousandths of a degree, from a signed integer
    // in those units ("+02501563") or from decimal `degrees` ("25.015626",
    // rounded half away from zero to the unit). False for an empty or
    // malformed field.
    bool Coordinate(size_t row, int column, bool degrees, int& out) const {
        if (!degrees) {
            if (!HasNumber(row, column)) return false;
            out = Number(row, column);
            return true;
        }
        const std::string_view t = Text(row, column);
        size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
        long long units = 0;
        int fraction = -1;  // digits after the point; -1 before it
        bool digits = false, roundUp = false;
        for (; i < t.size(); ++i) {
            if (t[i] == '.' && fraction < 0) {
                fraction = 0;
            } else if (t[i] >= '0' && t[i] <= '9') {
                digits = true;
                if (fraction >= kCoordinateDecimals) {
                    if (fraction == kCoordinateDecimals) roundUp = t[i] >= '5';
                    ++fraction;
                    continue;
                }
                units = units * 10 + (t[i] - '0');
                if (fraction >= 0) ++fraction;
                if (units > kMaxCoordinateUnits) return false;
            } else {
                return false;
            }
        }
        if (!digits) return false;
        for (int f = fraction < 0 ? 0 : fraction; f < kCoordinateDecimals; ++f) units *= 10;
        if (roundUp) ++units;
        if (units > kMaxCoordinateUnits) return false;
        out = static_cast<int>(t[0] == '-' ? -units : units);
        return true;
    }

private:
    void SplitInto(std::string_view line) {
        size_t from = 0;
        for (;;) {
            const size_t semicolon = line.find(separator_, from);
            std::string_view field = line.substr(from, semicolon == std::string_view::npos ? std::string_view::npos
                                                                                           : semicolon - from);
            while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
            if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
            fields_.push_back(field);
            if (semicolon == std::string_view::npos) break;
            from = semicolon + 1;
        }
    }

    std::string text_;
    char separator_ = ';';
    std::vector<std::pair<std::string, size_t>> columns_;
    std::vector<std::string_view> fields_;
    std::vector<size_t> rows_;  // where each row's fields begin, then the end
};

// A field of exactly `digits` hexadecimal digits; kNone otherwise.
int Hexadecimal(std::string_view field, size_t digits) {
    if (field.size() != digits) return kNone;
    int value = 0;
    for (const char c : field) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return kNone;
        value = value * 16 + (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return value;
}

}  // namespace

bool LocationTable::Load(const std::string& directory, std::string& error) {
    DatFile namesFile;
    if (!namesFile.Open(directory + "/NAMES.DAT")) {
        error = directory + ": no NAMES.DAT (a location table directory holds POINTS.DAT, ROADS.DAT, NAMES.DAT, ...)";
        return false;
    }
    const auto unusable = [&](const char* dat, const char* columns) {
        error = directory + "/" + dat + ": no " + columns +
                " columns in its first line (the header line names the columns, separated by semicolons or tabs)";
        return false;
    };
    bool allUtf8 = true;
    const int nameCid = namesFile.Column("CID"), nameNid = namesFile.Column("NID"), nameText = namesFile.Column("NAME");
    if (nameCid == kNone || nameNid == kNone || nameText == kNone) return unusable("NAMES.DAT", "CID, NID and NAME");
    for (size_t r = 0; r < namesFile.Rows() && allUtf8; ++r) allUtf8 = ValidUtf8(namesFile.Text(r, nameText));
    // Without a README the names tell: UTF-8 when they all are, else ISO-8859-1.
    Encoding encoding = allUtf8 ? Encoding::kUtf8 : Encoding::kLatin1;
    ReadEncoding(directory, encoding);
    std::vector<Name> names;
    names.reserve(namesFile.Rows());
    for (size_t r = 0; r < namesFile.Rows(); ++r) {
        names.push_back({namesFile.Number(r, nameCid), namesFile.Number(r, nameNid),
                         ToUtf8(namesFile.Text(r, nameText), encoding)});
    }
    std::sort(names.begin(), names.end(),
              [](const Name& a, const Name& b) { return std::tie(a.cid, a.nid) < std::tie(b.cid, b.nid); });

    std::vector<Location> locations;
    // False for a file there but unusable; a file that is not there is no error.
    const auto load = [&](const char* dat, char type) {
        DatFile f;
        if (!f.Open(directory + "/" + dat)) return true;
        const int cid = f.Column("CID"), tabcd = f.Column("TABCD"), lcd = f.Column("LCD"), road = f.Column("ROADNUMBER");
        if (cid == kNone || tabcd == kNone || lcd == kNone) return unusable(dat, "CID, TABCD and LCD");
        const int rnid = f.Column("RNID"), nid = f.Column("NID"), n1 = f.Column("N1ID"), n2 = f.Column("N2ID");
        const int roaLcd = f.Column("ROA_LCD"), segLcd = f.Column("SEG_LCD"), polLcd = f.Column("POL_LCD");
        const int junction = f.Column("JUNCTIONNUMBER"), x = f.Column("XCOORD"), y = f.Column("YCOORD");
        const bool degrees = f.HasDecimalPoints(x) || f.HasDecimalPoints(y);
        locations.reserve(locations.size() + f.Rows());
        for (size_t r = 0; r < f.Rows(); ++r) {
            Location l;
            l.cid = f.Number(r, cid);
            l.tabcd = f.Number(r, tabcd);
            l.lcd = f.Number(r, lcd);
            if (l.cid < 0 || l.tabcd < 0 || l.lcd < 0) continue;
            l.type = type;
            l.roadNumber = ToUtf8(f.Text(r, road), encoding);
            l.nameId = f.Number(r, f.Number(r, rnid) > 0 ? rnid : nid);
            l.firstNameId = f.Number(r, n1);
            l.secondNameId = f.Number(r, n2);
            l.junction = ToUtf8(f.Text(r, junction), encoding);
            l.roadLcd = f.Number(r, roaLcd);
            l.segmentLcd = f.Number(r, segLcd);
            l.areaLcd = f.Number(r, polLcd);
            l.hasCoordinates = f.Coordinate(r, x, degrees, l.x) && f.Coordinate(r, y, degrees, l.y);
            if (!l.hasCoordinates) l.x = l.y = 0;
            locations.push_back(std::move(l));
        }
        return true;
    };
    if (!load("POINTS.DAT", 'P') || !load("SEGMENTS.DAT", 'L') || !load("ROADS.DAT", 'L') ||
        !load("ADMINISTRATIVEAREA.DAT", 'A') || !load("OTHERAREAS.DAT", 'A')) {
        return false;
    }
    if (locations.empty()) {
        error = directory + ": no locations in POINTS.DAT, SEGMENTS.DAT, ROADS.DAT or the area files";
        return false;
    }
    std::sort(locations.begin(), locations.end(), [](const Location& a, const Location& b) {
        return std::tie(a.cid, a.tabcd, a.lcd) < std::tie(b.cid, b.tabcd, b.lcd);
    });
    DatFile offsets;
    if (offsets.Open(directory + "/POFFSETS.DAT")) {
        const int cid = offsets.Column("CID"), tabcd = offsets.Column("TABCD"), lcd = offsets.Column("LCD");
        const int neg = offsets.Column("NEG_OFF_LCD"), pos = offsets.Column("POS_OFF_LCD");
        for (size_t r = 0; r < offsets.Rows(); ++r) {
            const auto at = std::lower_bound(
                locations.begin(), locations.end(),
                std::make_tuple(offsets.Number(r, cid), offsets.Number(r, tabcd), offsets.Number(r, lcd)),
                [](const Location& l, const std::tuple<int, int, int>& key) { return std::tie(l.cid, l.tabcd, l.lcd) < key; });
            if (at == locations.end() || std::tie(at->cid, at->tabcd, at->lcd) !=
                                             std::make_tuple(offsets.Number(r, cid), offsets.Number(r, tabcd),
                                                             offsets.Number(r, lcd))) {
                continue;
            }
            at->negativeOffset = offsets.Number(r, neg);
            at->positiveOffset = offsets.Number(r, pos);
        }
    }
    std::vector<Country> countries;
    DatFile c;
    if (c.Open(directory + "/COUNTRIES.DAT")) {
        const int cid = c.Column("CID"), ccdColumn = c.Column("CCD"), eccColumn = c.Column("ECC");
        for (size_t r = 0; r < c.Rows(); ++r) {
            // The country nibble of a PI and the extended country code, in hexadecimal.
            const int ccd = Hexadecimal(c.Text(r, ccdColumn), 1);
            if (c.Number(r, cid) >= 0 && ccd >= 0) {
                countries.push_back({c.Number(r, cid), ccd, Hexadecimal(c.Text(r, eccColumn), 2)});
            }
        }
    }
    std::vector<size_t> bySegment;
    for (size_t i = 0; i < locations.size(); ++i) {
        if (locations[i].type == 'P' && locations[i].segmentLcd > 0) bySegment.push_back(i);
    }
    std::sort(bySegment.begin(), bySegment.end(), [&](size_t a, size_t b) {
        const Location& x = locations[a];
        const Location& y = locations[b];
        return std::tie(x.cid, x.tabcd, x.segmentLcd, x.lcd) < std::tie(y.cid, y.tabcd, y.segmentLcd, y.lcd);
    });
    locations_ = std::move(locations);
    names_ = std::move(names);
    bySegment_ = std::move(bySegment);
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

const std::string& LocationTable::NameOf(int cid, int nid) const {
    static const std::string kNoName;
    const auto at = std::lower_bound(names_.begin(), names_.end(), std::make_pair(cid, nid),
                                     [](const Name& n, const std::pair<int, int>& key) {
                                         return std::tie(n.cid, n.nid) < std::tie(key.first, key.second);
                                     });
    return at != names_.end() && at->cid == cid && at->nid == nid ? at->text : kNoName;
}

const LocationTable::Location* LocationTable::Lookup(uint16_t pi, int ecc, int ltn, uint16_t location) const {
    if (ltn <= 0) return nullptr;
    // The country: the one COUNTRIES.DAT gives the PI's country nibble and
    // the station's extended country code; without the code, or with a table
    // that does not give codes, any of that nibble; without COUNTRIES.DAT,
    // whichever loaded country has a table of that number.
    // No country has code 0: a message built with {} names none.
    if (ecc == 0) ecc = -1;
    const int nibble = pi >> 12;
    for (const Country& country : countries_) {
        if (ecc >= 0 && country.ccd == nibble && country.ecc == ecc) return Find(country.cid, ltn, location);
    }
    for (const Country& country : countries_) {
        if (country.ccd != nibble || (ecc >= 0 && country.ecc >= 0 && country.ecc != ecc)) continue;
        if (const Location* l = Find(country.cid, ltn, location)) return l;
    }
    if (!countries_.empty()) return nullptr;
    for (size_t i = 0; i < locations_.size(); ++i) {
        if (i > 0 && locations_[i].cid == locations_[i - 1].cid) continue;
        if (const Location* l = Find(locations_[i].cid, ltn, location)) return l;
    }
    return nullptr;
}

// "first - second" words of a line, or its own name.
std::string LocationTable::Span(const Location& x) const {
    const std::string& first = NameOf(x.cid, x.firstNameId);
    const std::string& second = NameOf(x.cid, x.secondNameId);
    if (first.empty()) return NameOf(x.cid, x.nameId);
    return second.empty() ? first : first + " - " + second;
}

// The road a location lies on: its own, or its segment's; itself for a line.
const LocationTable::Location* LocationTable::RoadOf(const Location& l) const {
    if (l.type == 'L') return l.roadLcd > 0 ? Find(l.cid, l.tabcd, l.roadLcd) : &l;
    const Location* road = l.roadLcd > 0 ? Find(l.cid, l.tabcd, l.roadLcd) : nullptr;
    if (road == nullptr && l.segmentLcd > 0) {
        const Location* segment = Find(l.cid, l.tabcd, l.segmentLcd);
        if (segment != nullptr) road = segment->roadLcd > 0 ? Find(l.cid, l.tabcd, segment->roadLcd) : segment;
    }
    return road;
}

std::string LocationTable::Describe(uint16_t pi, int ltn, uint16_t location, int ecc) const {
    const Location* l = Lookup(pi, ecc, ltn, location);
    if (l == nullptr) return "";
    const auto withNumber = [&](const Location& x) {
        const std::string words = Span(x);
        return x.roadNumber.empty() ? words : words.empty() ? x.roadNumber : x.roadNumber + " " + words;
    };
    if (l->type == 'A') {
        const std::string& name = NameOf(l->cid, l->nameId);
        return name.empty() ? NameOf(l->cid, l->firstNameId) : name;
    }
    if (l->type == 'L') return withNumber(*l);
    // A point: the road it lies on, then its own name.
    const Location* road = RoadOf(*l);
    const std::string roadWords = road ? withNumber(*road) : "";
    const std::string& own = NameOf(l->cid, l->firstNameId);
    const std::string place = own.empty() ? NameOf(l->cid, l->nameId) : own;
    if (roadWords.empty()) return place;
    return place.empty() ? roadWords : roadWords + ": " + place;
}

TmcPlace LocationTable::PlaceOf(const Location& l) const {
    TmcPlace p;
    p.location = static_cast<uint16_t>(l.lcd);
    p.type = l.type;
    p.firstName = NameOf(l.cid, l.firstNameId);
    p.secondName = NameOf(l.cid, l.secondNameId);
    if (p.firstName.empty()) p.firstName = NameOf(l.cid, l.nameId);
    p.junction = l.junction;
    p.hasCoordinates = l.hasCoordinates;
    p.longitude = l.x * kCoordinateUnit;
    p.latitude = l.y * kCoordinateUnit;
    return p;
}

void LocationTable::AppendPoints(const Location& l, bool negative, std::vector<TmcPlace>& points) const {
    if (l.type != 'L' || l.roadLcd <= 0) {
        if (l.type == 'P') points.push_back(PlaceOf(l));
        return;
    }
    // A segment has no coordinates of its own: its points, in the order of
    // their chain, stand for it.
    std::vector<const Location*> members;
    const auto key = std::make_tuple(l.cid, l.tabcd, l.lcd);
    auto at = std::lower_bound(bySegment_.begin(), bySegment_.end(), key, [&](size_t i, const std::tuple<int, int, int>& k) {
        const Location& p = locations_[i];
        return std::tie(p.cid, p.tabcd, p.segmentLcd) < k;
    });
    for (; at != bySegment_.end() && std::tie(locations_[*at].cid, locations_[*at].tabcd, locations_[*at].segmentLcd) == key;
         ++at) {
        members.push_back(&locations_[*at]);
    }
    const Location* start = nullptr;
    for (const Location* m : members) {
        const Location* before = m->negativeOffset > 0 ? Find(l.cid, l.tabcd, m->negativeOffset) : nullptr;
        if (before == nullptr || before->segmentLcd != l.lcd) start = m;
    }
    std::vector<TmcPlace> chain;
    for (const Location* point = start; point != nullptr && chain.size() < members.size();) {
        chain.push_back(PlaceOf(*point));
        const Location* next = point->positiveOffset > 0 ? Find(l.cid, l.tabcd, point->positiveOffset) : nullptr;
        point = next != nullptr && next->segmentLcd == l.lcd ? next : nullptr;
    }
    if (negative) std::reverse(chain.begin(), chain.end());
    points.insert(points.end(), chain.begin(), chain.end());
}

bool LocationTable::Stretch(const TmcMessage& message, TmcStretch& out) const {
    out = TmcStretch{};
    if (message.encrypted) return false;
    const Location* primary = Lookup(message.pi, message.ecc, message.ltn, message.location);
    if (primary == nullptr) return false;
    // The extent runs along the chain of offsets: positive ones for
    // direction bit 0, negative ones for 1.
    const Location* at = primary;
    std::vector<const Location*> chain = {primary};
    for (int step = 0; step < message.extent; ++step) {
        const int next = message.negativeDirection ? at->negativeOffset : at->positiveOffset;
        const Location* l = next > 0 ? Find(at->cid, at->tabcd, next) : nullptr;
        if (l == nullptr) {
            out.chainEnded = true;
            break;
        }
        chain.push_back(at = l);
    }
    out.steps = static_cast<int>(chain.size()) - 1;
    out.primary = PlaceOf(*primary);
    out.secondary = PlaceOf(*chain.back());
    for (const Location* l : chain) AppendPoints(*l, message.negativeDirection, out.points);
    if (const Location* road = RoadOf(*primary)) {
        out.roadNumber = road->roadNumber;
        const std::string& own = NameOf(road->cid, road->nameId);
        out.roadName = own.empty() ? Span(*road) : own;
        // The problem extends from its head (the primary location) back
        // against the traffic, so the traffic it holds up travels the
        // other way: towards the road's first named end when the extent
        // runs in positive direction, towards the second when negative.
        out.towards = NameOf(road->cid, message.negativeDirection ? road->secondNameId : road->firstNameId);
    }
    return true;
}

size_t LocationTable::Size() const { return locations_.size(); }

}  // namespace rdstmc
