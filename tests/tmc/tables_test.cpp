// Event and location tables written by the test in the formats users load.
#include <gtest/gtest.h>

#include <filesystem>

#include "rdstmc_tmc.h"
#include "support/test_support.h"
#include "support/tmc_tables.h"

namespace rdstmc {
namespace {

TEST(EventTable, ReadsCodesTextsAndUrgencyAndKeepsUrgencyInRange) {
    test::TempDir dir;
    const std::string path = dir.File("events.txt");
    test::WriteFile(path,
                    "# code;text;urgency\r\n"
                    "101;stationary traffic\r\n"
                    "  401 ; closed ; U ;extra column\n"
                    "1500;accident;X\n"
                    "bad line\n"
                    "9999;out of range\n");
    EventTable events;
    std::string error;
    ASSERT_TRUE(events.Load(path, error)) << error;
    EXPECT_EQ(events.Size(), 3u);
    EXPECT_EQ(events.Text(101), "stationary traffic");
    EXPECT_EQ(events.Text(401), "closed");
    EXPECT_EQ(events.Text(102), "");
    TmcMessage m{};
    m.eventCount = 1;
    m.events[0] = 401;
    EXPECT_EQ(events.UrgencyOf(m), TmcUrgency::Urgent);
    m.urgencyChange = 3;
    EXPECT_EQ(events.UrgencyOf(m), TmcUrgency::ExtremelyUrgent);
    m.events[0] = 101;
    m.urgencyChange = -1;
    EXPECT_EQ(events.UrgencyOf(m), TmcUrgency::Normal);
    m.events[0] = 1500;
    EXPECT_EQ(events.UrgencyOf(m), TmcUrgency::Urgent);

    test::WriteFile(path, "# nothing\n");
    EXPECT_FALSE(events.Load(path, error));
    EXPECT_NE(error.find("no event lines"), std::string::npos);
    EXPECT_EQ(events.Text(101), "stationary traffic") << "a failed load keeps the table";
}

TEST(LocationTable, NamesPointsSegmentsRoadsAndAreasInUtf8) {
    test::TempDir dir;
    test::WriteLocationTables(dir);
    LocationTable table;
    std::string error;
    ASSERT_TRUE(table.Load(dir.Path(), error)) << error;
    EXPECT_EQ(table.Size(), 5u);
    EXPECT_EQ(table.Describe(0xD3C5, 12, 42156), "A1 Hamburg - Bremen: Dibbersen") << "point, road via its segment";
    EXPECT_EQ(table.Describe(0xD3C5, 12, 42157), "A1 Hamburg - Bremen: Stra\xC3\x9F" "e") << "point on a road";
    EXPECT_EQ(table.Describe(0xD3C5, 12, 200), "A1 Dibbersen - Bremen");
    EXPECT_EQ(table.Describe(0xD3C5, 12, 100), "A1 Hamburg - Bremen");
    EXPECT_EQ(table.Describe(0xD3C5, 12, 300), "L\xC3\xBCneburger Heide");
    EXPECT_EQ(table.Describe(0xD3C5, 12, 999), "") << "not in the table";
    EXPECT_EQ(table.Describe(0xD3C5, 13, 42156), "") << "another table";
    EXPECT_EQ(table.Describe(0x63C5, 12, 42156), "") << "a station of another country";
    EXPECT_EQ(table.Describe(0xD3C5, 0, 42156), "") << "an encrypted service's locations are no table codes";

    test::TempDir empty;
    EXPECT_FALSE(table.Load(empty.Path(), error));
    EXPECT_NE(error.find("NAMES.DAT"), std::string::npos);
}

// Two countries share the PI nibble D; the station's extended country code
// (group 1A) tells which one's table 12 a location belongs to.
TEST(LocationTable, TheExtendedCountryCodeTellsCountriesOfOneNibbleApart) {
    test::TempDir dir;
    test::WriteLocationTables(dir);
    // A copy of country 58's rows as country 99 (ECC E1), its point renamed.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string path = entry.path().string();
        std::string text = test::ReadFile(path), copies;
        for (size_t at = 0; (at = text.find("\r\n58;", at)) != std::string::npos; at += 2) {
            const size_t row = at + 2, end = text.find("\r\n", row);
            copies += "99;" + text.substr(row + 3, end - row - 3) + "\r\n";
        }
        if (path.find("NAMES.DAT") != std::string::npos) {
            copies.replace(copies.find("Dibbersen"), 9, "Elsewhere");
        }
        if (path.find("COUNTRIES.DAT") != std::string::npos) copies = "99;E1;D;Other\r\n";
        test::WriteFile(path, text + copies);
    }
    LocationTable table;
    std::string error;
    ASSERT_TRUE(table.Load(dir.Path(), error)) << error;
    EXPECT_EQ(table.Describe(0xD3C5, 12, 42156, 0xE0), "A1 Hamburg - Bremen: Dibbersen");
    EXPECT_EQ(table.Describe(0xD3C5, 12, 42156, 0xE1), "A1 Hamburg - Bremen: Elsewhere");
    EXPECT_EQ(table.Describe(0xD3C5, 12, 42156, 0xE2), "") << "a country the tables do not hold";
    EXPECT_NE(table.Describe(0xD3C5, 12, 42156), "") << "without the code, a country of the nibble";

    TmcMessage m{};
    m.pi = 0xD3C5;
    m.ltn = 12;
    m.location = 42156;
    m.ecc = 0xE1;
    TmcStretch stretch;
    ASSERT_TRUE(table.Stretch(m, stretch));
    EXPECT_EQ(stretch.primary.firstName, "Elsewhere");
}

TEST(LocationTable, NamesInLatin9AndCodePage1252ComeOutAsUtf8) {
    struct Case {
        const char* charset;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"ISO-8859-15", "\xA4uro \xA6koda \xBC" "uvre \xB4" "ir", "\u20ACuro \u0160koda \u0152uvre \u017Dir"},
        {"Windows-1252", "\x80uro \x8Akoda \x8C" "uvre \x9E" "abljak", "\u20ACuro \u0160koda \u0152uvre \u017Eabljak"},
        // The same bytes as in Latin-9, read as Latin-1: the README decides.
        {"ISO-8859-1", "\xA4uro \xA6koda", "\u00A4uro \u00A6koda"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteLocationTables(dir.Path(), c.charset, c.bytes);
        LocationTable table;
        std::string error;
        ASSERT_TRUE(table.Load(dir.Path(), error)) << error;
        EXPECT_EQ(table.Describe(0xD3C5, 12, 300), c.utf8) << c.charset;
    }
}

// A table as a country publishes it loads unchanged, its messages get their
// geometry; a file that cannot be read is named.
TEST(LocationTable, ATabSeparatedTableWithDecimalDegreesLoadsAsPublished) {
    test::TempDir dir;
    test::WritePublishedStyleTables(dir);
    LocationTable table;
    std::string error;
    ASSERT_TRUE(table.Load(dir.Path(), error)) << error;
    EXPECT_EQ(table.Describe(0x6403, 17, 16832, 0xE1), "9 Lehtola - Muittari: H\xC3\xA4meenlinna");
    TmcMessage m{};
    m.pi = 0x6403;
    m.ltn = 17;
    m.ecc = 0xE1;
    m.location = 16833;
    m.extent = 2;
    TmcStretch stretch;
    ASSERT_TRUE(table.Stretch(m, stretch));
    ASSERT_EQ(stretch.points.size(), 3u);
    EXPECT_NEAR(stretch.points[0].longitude, 25.01563, 1e-9) << "to the table's 10^-5 degree";
    EXPECT_NEAR(stretch.points[0].latitude, 62.72307, 1e-9);
    EXPECT_NEAR(stretch.points[1].latitude, 61.0, 1e-9);
    EXPECT_NEAR(stretch.points[2].longitude, -0.5, 1e-9);

    test::WriteFile(dir.File("POINTS.DAT"), "ORDER\tXCOORD\r\n1\t25.0\r\n");
    EXPECT_FALSE(table.Load(dir.Path(), error));
    EXPECT_NE(error.find("POINTS.DAT: no CID, TABCD and LCD columns"), std::string::npos) << error;
}

TEST(Tables, OpenFromAFolderWhoseNameNoAnsiCodePageSpells) {
    test::TempDir dir;
    const std::string folder = dir.File("\u0141ukasz \u0395\u03BB\u03AD\u03BD\u03B7");
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::u8path(folder)));
    test::WriteLocationTables(folder, "ISO-8859-1", "Heide");
    LocationTable table;
    std::string error;
    ASSERT_TRUE(table.Load(folder, error)) << error;
    EXPECT_EQ(table.Describe(0xD3C5, 12, 300), "Heide");

    test::WriteFile(folder + "/events.txt", "101;stationary traffic\n");
    EventTable events;
    ASSERT_TRUE(events.Load(folder + "/events.txt", error)) << error;
    EXPECT_EQ(events.Text(101), "stationary traffic");
}

}  // namespace
}  // namespace rdstmc
