#include <gtest/gtest.h>

#include <string>

#include "data/rds_charset.h"
#include "text/text.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using test::Narrow;

std::string FromReceiver(const std::string& bytes) {
    uint16_t out[256];
    RdsTextToUtf16(bytes.c_str(), out, 256);
    return Narrow(out);
}

TEST(ReceiverText, UsesTheRdsCharacterSet) {
    EXPECT_EQ(FromReceiver("FONK! Det er l\xF7rdag"), "FONK! Det er l\xC3\xB8rdag");  // ø
    EXPECT_EQ(FromReceiver("\xF2\xD7\x91"), "\xC3\xA6\xC3\x96\xC3\xA4");                // æ Ö ä
    EXPECT_EQ(FromReceiver("\xA9\xAB"), "\xE2\x82\xAC$");                              // € $
    EXPECT_EQ(FromReceiver("JACK 96.9"), "JACK 96.9");
}

TEST(ReceiverText, EveryByteMapsAndTheOutputIsBounded) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    uint16_t out[256];
    EXPECT_EQ(RdsTextToUtf16(all.c_str(), out, 256), 255u);
    for (int i = 0; i < 255; ++i) EXPECT_NE(out[i], 0) << i;
    uint16_t small[4] = {1, 1, 1, 1};
    EXPECT_EQ(RdsTextToUtf16("ABCDEF", small, 4), 3u);
    EXPECT_EQ(small[3], 0);
}

TEST(WideToAscii, RefusesWhatIsNotAsciiOrDoesNotFit) {
    char out[8];
    EXPECT_TRUE(text::WideToAscii(reinterpret_cast<const uint16_t*>(u"$PLT"), out, sizeof out));
    EXPECT_STREQ(out, "$PLT");
    EXPECT_FALSE(text::WideToAscii(reinterpret_cast<const uint16_t*>(u"$PL\u00e9"), out, sizeof out));
    EXPECT_FALSE(text::WideToAscii(reinterpret_cast<const uint16_t*>(u"12345678"), out, sizeof out));
}

TEST(WideToNativePath, EncodesUtf8AndRejectsBrokenSurrogates) {
    char out[64];
    EXPECT_TRUE(text::WideToNativePath(reinterpret_cast<const uint16_t*>(u"/tmp/l\u00f8g-\U0001F4FB"), out,
                                           sizeof out));
    EXPECT_STREQ(out, "/tmp/l\xC3\xB8g-\xF0\x9F\x93\xBB");
    const uint16_t lone[] = {'/', 0xD800, 'x', 0};
    EXPECT_FALSE(text::WideToNativePath(lone, out, sizeof out));
    EXPECT_FALSE(text::WideToNativePath(reinterpret_cast<const uint16_t*>(u"/toolong"), out, 4));
}

TEST(HeaderUtf8Overloads, WidenRoundTripsAndMarksOverlongText) {
    EXPECT_EQ(Narrow(test::W(test::Wide("/dev/ttyUSB0 \xC3\xB8"))), "/dev/ttyUSB0 \xC3\xB8");
    unsigned short w[rdstmc_detail::kWideCapacity];
    rdstmc_detail::Widen(std::string(400, 'a').c_str(), w);
    EXPECT_EQ(text::WideLength(w, 400), 256u) << "too long to accept, never silently cut to fit";
    rdstmc_detail::Widen("\xFF\xC3", w);
    EXPECT_EQ(w[0], 0xFFFD);
    EXPECT_EQ(w[1], 0xFFFD);
}

TEST(HeaderUtf8Overloads, ANameThatDoesNotFitIsRefusedWholeNeverCut) {
    unsigned short w[rdstmc_detail::kWideCapacity];
    const std::string face = "\xF0\x9F\x98\x80";  // two UTF-16 units
    rdstmc_detail::Widen((std::string(255, 'a')).c_str(), w);
    EXPECT_EQ(text::WideLength(w, 300), 255u) << "255 units still fit";
    rdstmc_detail::Widen((std::string(253, 'a') + face).c_str(), w);
    EXPECT_EQ(text::WideLength(w, 300), 255u);
    rdstmc_detail::Widen((std::string(254, 'a') + face).c_str(), w);
    EXPECT_EQ(text::WideLength(w, 300), 256u);
    test::TempDir dir;
    const std::string path = dir.Path() + "/" + std::string(252 - dir.Path().size(), 'a') + face + face;
    EXPECT_FALSE(TmcStartLogging(path.c_str())) << "257 units must not be cut to 255 and accepted";
}

TEST(HeaderUtf8Overloads, OverlongAndSurrogateSequencesNeverBecomeOtherCharacters) {
    unsigned short w[rdstmc_detail::kWideCapacity];
    rdstmc_detail::Widen("/tmp/x\xC0\x80y.log", w);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(w)), u"/tmp/x\uFFFDy.log") << "no embedded terminator";
    rdstmc_detail::Widen("\xE0\x80\xAF|\xF0\x80\x80\xAF|\xED\xA0\x80|\xF4\x90\x80\x80", w);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(w)), u"\uFFFD|\uFFFD|\uFFFD|\uFFFD");
}

}  // namespace
}  // namespace rdstmc
