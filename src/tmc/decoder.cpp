// Alert-C (ISO 14819-1) from the blocks of groups 3A and 8A.
#include <cstring>

#include "rds/blocks.h"
#include "rdstmc_tmc.h"

namespace rdstmc {
namespace {

constexpr uint16_t kTmcAid = 0xCD46, kTmcAidAlternative = 0xCD47;
constexpr int kGapGroups[4] = {3, 5, 8, 11};
// Data bits of each optional-content label, by label number.
constexpr int kLabelBits[16] = {3, 3, 5, 5, 5, 8, 8, 8, 8, 11, 16, 16, 16, 16, 0, 0};
// Bits of optional content a subsequent group carries: 12 in block C, 16 in D.
constexpr int kFreeBitsPerGroup = 28;
constexpr int kMaxGroups = 5;

enum Label {
    kDuration = 0, kControl = 1, kLength = 2, kSpeed = 3, kQuantifier5 = 4, kQuantifier8 = 5,
    kSupplementary = 6, kStartTime = 7, kStopTime = 8, kAdditionalEvent = 9, kDiversion = 10,
    kDestination = 11, kReserved16 = 12, kCrossLink = 13, kSeparator = 14, kReserved0 = 15,
};

int Bit(unsigned word, int bit) { return static_cast<int>((word >> bit) & 1u); }
int Bits(unsigned word, int low, int count) { return static_cast<int>((word >> low) & ((1u << count) - 1u)); }


bool SameSystem(const TmcSystemInfo& a, const TmcSystemInfo& b) {
    return a.pi == b.pi && a.aid == b.aid && a.applicationGroup == b.applicationGroup && a.ltn == b.ltn &&
           a.afi == b.afi && a.enhancedMode == b.enhancedMode && a.scopeInternational == b.scopeInternational &&
           a.scopeNational == b.scopeNational && a.scopeRegional == b.scopeRegional && a.scopeUrban == b.scopeUrban &&
           a.gap == b.gap && a.sid == b.sid && a.ta == b.ta && a.tw == b.tw && a.td == b.td && a.ltcc == b.ltcc &&
           a.encrypted == b.encrypted && a.encryptionId == b.encryptionId &&
           a.ltnBeforeEncryption == b.ltnBeforeEncryption && a.ecc == b.ecc;
}

TmcSystemInfo UnknownSystem(uint16_t pi) {
    TmcSystemInfo s{};
    s.pi = pi;
    s.applicationGroup = kRdsGroup8A;
    s.ltn = s.gap = s.sid = s.ta = s.tw = s.td = s.ltcc = s.encryptionId = s.ltnBeforeEncryption = s.ecc = -1;
    return s;
}

// Reads the optional content of a multi-group message: 28 bits from each
// group after the first, most significant first.
class FreeFormat {
public:
    FreeFormat(const uint16_t* c, const uint16_t* d, int groups) : total_(groups * kFreeBitsPerGroup) {
        for (int g = 0; g < groups; ++g) {
            const uint32_t chunk = (static_cast<uint32_t>(c[g] & 0x0FFFu) << 16) | d[g];
            for (int i = 0; i < kFreeBitsPerGroup; ++i) {
                bits_[g * kFreeBitsPerGroup + i] = (chunk >> (kFreeBitsPerGroup - 1 - i)) & 1u;
            }
        }
    }
    int Left() const { return total_ - at_; }
    // What is left is padding when it is all zero.
    bool OnlyPaddingLeft() const {
        for (int i = at_; i < total_; ++i) {
            if (bits_[i]) return false;
        }
        return true;
    }
    int Read(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i) value = (value << 1) | bits_[at_++];
        return value;
    }

private:
    uint8_t bits_[(kMaxGroups - 1) * kFreeBitsPerGroup] = {};
    int total_;
    int at_ = 0;
};

template <class T, size_t N>
void Append(T (&list)[N], int& count, T value) {
    if (count < static_cast<int>(N)) list[count++] = value;
}

void ApplyLabel(TmcMessage& m, int label, int value, int& block) {
    switch (label) {
        case kDuration: m.duration = value; break;
        case kControl:
            switch (value) {
                case 0: ++m.urgencyChange; break;
                case 1: --m.urgencyChange; break;
                case 2: m.directionalityChanged = !m.directionalityChanged; break;
                case 3: m.durationTypeChanged = !m.durationTypeChanged; break;
                case 4: m.spokenDurationChanged = !m.spokenDurationChanged; break;
                case 5: m.diversion = true; break;
                case 6: m.extent += 8; break;
                default: m.extent += 16; break;
            }
            break;
        case kLength: m.lengthOfRoute = value; break;
        case kSpeed: m.speedLimit = value; break;
        case kQuantifier5:
        case kQuantifier8:
            if (m.quantifierCount < TmcMessage::kMaxItems) {
                m.quantifiers[m.quantifierCount++] = {m.eventCount - 1, label == kQuantifier5 ? 5 : 8, value};
            }
            break;
        case kSupplementary: Append(m.supplementary, m.supplementaryCount, value); break;
        case kStartTime: m.startTime = value; break;
        case kStopTime: m.stopTime = value; break;
        case kAdditionalEvent:
            if (m.eventCount < TmcMessage::kMaxEvents) {
                m.eventBlock[m.eventCount] = block;
                m.events[m.eventCount++] = static_cast<uint16_t>(value);
            }
            break;
        case kDiversion: Append(m.diversionRoute, m.diversionCount, static_cast<uint16_t>(value)); break;
        case kDestination: Append(m.destinations, m.destinationCount, static_cast<uint16_t>(value)); break;
        case kCrossLink: Append(m.crossLinks, m.crossLinkCount, static_cast<uint16_t>(value)); break;
        case kSeparator: ++block; break;
        default: m.reservedLabels = true; break;  // 12 and 15
    }
}

}  // namespace

TmcDecoder::TmcDecoder() { Reset(); }

void TmcDecoder::Reset() {
    system_ = UnknownSystem(0);
    std::memset(&message_, 0, sizeof message_);
    std::memset(&tuning_, 0, sizeof tuning_);
    std::memset(tuning_.providerName, ' ', 8);
    std::memset(&pending_, 0, sizeof pending_);
    std::memset(&last_, 0, sizeof last_);
    expectedSequence_ = -1;
    dropped_ = 0;
}

TmcDecoder::Result TmcDecoder::Feed(uint32_t word0, uint32_t word1) {
    return FeedBlocks(static_cast<uint16_t>(word0 >> 16), static_cast<uint16_t>(word0),
                      static_cast<uint16_t>(word1 >> 16), static_cast<uint16_t>(word1));
}

TmcDecoder::Result TmcDecoder::FeedBlocks(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    const RdsGroupType group = RdsGroupTypeOf(b);
    if (group == kRdsGroup3A) return SystemGroup(a, b, c, d);
    if (group == kRdsGroup1A) return CountryGroup(a, c);
    if (group != kRdsGroup8A) return Result::None;
    if (Bit(b, 4)) return TuningGroup(a, b, c, d);
    if ((b & 0x1F) == 0) return EncryptionGroup(a, c, d);
    return UserGroup(a, b, c, d);
}

TmcDecoder::Result TmcDecoder::SystemGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d) {
    if (d != kTmcAid && d != kTmcAidAlternative) return Result::None;
    TmcSystemInfo next = system_.pi == pi ? system_ : UnknownSystem(pi);
    next.aid = d;
    next.applicationGroup = Bits(b, 0, 5);
    switch (Bits(c, 14, 2)) {
        case 0:
            next.ltn = Bits(c, 6, 6);
            next.afi = Bit(c, 5);
            next.enhancedMode = Bit(c, 4);
            next.scopeInternational = Bit(c, 3);
            next.scopeNational = Bit(c, 2);
            next.scopeRegional = Bit(c, 1);
            next.scopeUrban = Bit(c, 0);
            // Table 0 is how an encrypted service says its locations are not
            // table codes until decrypted.
            if (next.ltn == 0) next.encrypted = true;
            break;
        case 1:
            next.gap = kGapGroups[Bits(c, 12, 2)];
            next.sid = Bits(c, 6, 6);
            // The low six bits mean one thing in enhanced mode (timing) and
            // another in basic mode (the country code, where sent); which mode
            // is only known from variant 0, so without it they are left unread.
            if (next.aid != 0 && system_.pi == pi && system_.ltn >= 0) {
                next.ta = next.tw = next.td = next.ltcc = -1;
                if (next.enhancedMode) {
                    next.ta = Bits(c, 4, 2);
                    next.tw = Bits(c, 2, 2);
                    next.td = Bits(c, 0, 2);
                } else if (Bits(c, 0, 4) != 0) {
                    next.ltcc = Bits(c, 0, 4);
                }
            }
            break;
        default: return Result::None;  // variants 2 and 3 are not defined
    }
    if (SameSystem(next, system_)) return Result::None;
    system_ = next;
    return Result::SystemInfo;
}

// Variant 0 of group 1A: the extended country code in block C's low byte.
TmcDecoder::Result TmcDecoder::CountryGroup(uint16_t pi, uint16_t c) {
    if (Bits(c, 12, 3) != 0) return Result::None;
    TmcSystemInfo next = system_.pi == pi ? system_ : UnknownSystem(pi);
    next.ecc = Bits(c, 0, 8);
    if (SameSystem(next, system_)) return Result::None;
    system_ = next;
    return Result::SystemInfo;
}

TmcDecoder::Result TmcDecoder::EncryptionGroup(uint16_t pi, uint16_t c, uint16_t d) {
    if (Bits(c, 13, 3) != 0) return Result::None;  // only variant 0 is defined
    TmcSystemInfo next = system_.pi == pi ? system_ : UnknownSystem(pi);
    next.encrypted = true;
    next.sid = Bits(c, 5, 6);
    next.encryptionId = Bits(c, 0, 5);
    next.ltnBeforeEncryption = Bits(d, 10, 6);
    if (SameSystem(next, system_)) return Result::None;
    system_ = next;
    return Result::SystemInfo;
}

TmcDecoder::Result TmcDecoder::TuningGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d) {
    if (tuning_.pi != pi) {
        std::memset(&tuning_, 0, sizeof tuning_);
        std::memset(tuning_.providerName, ' ', 8);
    }
    TmcTuningInfo& t = tuning_;
    t.pi = pi;
    t.variant = Bits(b, 0, 4);
    const auto character = [](int code) { return static_cast<char>(code >= 0x20 && code < 0x7F ? code : ' '); };
    switch (t.variant) {
        case 4:
        case 5: {
            char* at = t.providerName + (t.variant == 4 ? 0 : 4);
            at[0] = character(c >> 8);
            at[1] = character(c & 0xFF);
            at[2] = character(d >> 8);
            at[3] = character(d & 0xFF);
            break;
        }
        case 6:
            t.alternativeFrequencies[0] = rds::FmCarrier(c >> 8);
            t.alternativeFrequencies[1] = rds::FmCarrier(c & 0xFF);
            t.otherPi = d;
            break;
        case 7:
            t.tuningFrequency = rds::FmCarrier(c >> 8);
            t.mappedFrequency = rds::FmCarrier(c & 0xFF);
            t.otherPi = d;
            break;
        case 8:
            t.otherPis[0] = c;
            t.otherPis[1] = d;
            break;
        case 9:
            t.otherLtn = Bits(c, 10, 6);
            t.otherScope = Bits(c, 6, 4);
            t.otherSid = Bits(c, 0, 6);
            t.otherPi = d;
            break;
        default: break;
    }
    return Result::TuningInfo;
}

TmcDecoder::Result TmcDecoder::UserGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d) {
    const auto drop = [&] {
        dropped_ += static_cast<unsigned long>(pending_.count) + 1;
        pending_.count = 0;
        expectedSequence_ = -1;
        return Result::None;
    };
    if (Bit(b, 3)) {  // single-group message
        // It ends any message in assembly, which is then lost.
        dropped_ += static_cast<unsigned long>(pending_.count);
        pending_ = Groups{pi, 1, {b}, {c}, {d}};
        expectedSequence_ = -1;
        return Complete();
    }
    // Stations send each group of a message two or three times, often with
    // other groups between the copies: a copy of a group already taken for
    // the message in assembly is no break in it.
    if (pending_.count > 0 && pending_.pi == pi) {
        for (int i = 0; i < pending_.count; ++i) {
            if (pending_.b[i] == b && pending_.c[i] == c && pending_.d[i] == d) return Result::None;
        }
    }
    if (Bit(c, 15)) {  // first group of a multi-group message: any earlier one is given up
        dropped_ += static_cast<unsigned long>(pending_.count);
        pending_ = Groups{pi, 1, {b}, {c}, {d}};
        expectedSequence_ = -1;
        return Result::None;
    }
    const bool second = Bit(c, 14);
    const int sequence = Bits(c, 12, 2);
    const bool fits = pending_.count > 0 && pending_.pi == pi && Bits(pending_.b[0], 0, 3) == Bits(b, 0, 3) &&
                      (second ? pending_.count == 1 : (pending_.count >= 2 && sequence == expectedSequence_));
    if (!fits) return drop();
    pending_.b[pending_.count] = b;
    pending_.c[pending_.count] = c;
    pending_.d[pending_.count] = d;
    ++pending_.count;
    if (sequence == 0) return Complete();
    expectedSequence_ = sequence - 1;
    return Result::None;
}

TmcDecoder::Result TmcDecoder::Complete() {
    const Groups done = pending_;
    pending_.count = 0;
    expectedSequence_ = -1;
    const bool repeated = done.pi == last_.pi && done.count == last_.count &&
                          std::memcmp(done.b, last_.b, sizeof done.b) == 0 &&
                          std::memcmp(done.c, last_.c, sizeof done.c) == 0 &&
                          std::memcmp(done.d, last_.d, sizeof done.d) == 0;
    last_ = done;
    if (repeated) return Result::None;
    if (Bits(done.c[0], 0, 11) == 0) {
        dropped_ += static_cast<unsigned long>(done.count);
        return Result::None;
    }

    TmcMessage& m = message_;
    std::memset(&m, 0, sizeof m);
    m.pi = done.pi;
    m.groups = done.count;
    m.ltn = system_.pi == done.pi ? system_.ltn : -1;
    m.ecc = system_.pi == done.pi ? system_.ecc : -1;
    m.encrypted = system_.pi == done.pi && system_.encrypted;
    m.lengthOfRoute = m.speedLimit = m.startTime = m.stopTime = -1;
    const uint16_t b = done.b[0], c = done.c[0];
    if (done.count == 1) {
        m.duration = Bits(b, 0, 3);
        m.diversion = Bit(c, 15);
    } else {
        m.continuityIndex = Bits(b, 0, 3);
    }
    m.negativeDirection = Bit(c, 14);
    m.extent = Bits(c, 11, 3);
    m.events[0] = static_cast<uint16_t>(Bits(c, 0, 11));
    m.eventCount = 1;
    m.location = done.d[0];

    FreeFormat content(done.c + 1, done.d + 1, done.count - 1);
    int block = 0;
    while (content.Left() >= 4 && !content.OnlyPaddingLeft()) {
        const int label = content.Read(4);
        if (content.Left() < kLabelBits[label]) break;  // cut off: the rest is not a whole label
        ApplyLabel(m, label, content.Read(kLabelBits[label]), block);
    }
    return Result::Message;
}

const char* TmcUrgencyName(TmcUrgency urgency) {
    switch (urgency) {
        case TmcUrgency::Urgent: return "urgent";
        case TmcUrgency::ExtremelyUrgent: return "extremely urgent";
        default: return "normal";
    }
}

}  // namespace rdstmc
