// Event and location tables written by the test in the formats users load.
#include <gtest/gtest.h>

#include "rdstmc_tmc.h"
#include "support/test_support.h"

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

// A small table 12 of country 58 (PI nibble D), in ISO-8859-1 as README.DAT says.
void WriteTables(const test::TempDir& dir) {
    test::WriteFile(dir.File("README.DAT"), "Location table 12, character set ISO-8859-1\r\n");
    test::WriteFile(dir.File("COUNTRIES.DAT"), "CID;ECC;CCD;CNAME\r\n58;E0;D;Deutschland\r\n");
    test::WriteFile(dir.File("LOCATIONDATASETS.DAT"), "CID;TABCD;DCOMMENT;VERSION;VERSIONDESCRIPTION\r\n58;12;test;1.0;\r\n");
    test::WriteFile(dir.File("NAMES.DAT"),
                    "CID;LID;NID;NAME;NCOMMENT;OFFICIALNAME\r\n"
                    "58;1;1;Hamburg;;\r\n58;1;2;Bremen;;\r\n58;1;3;Dibbersen;;\r\n58;1;4;L\xFC" "neburger Heide;;\r\n"
                    "58;1;5;Stra\xDF" "e;;\r\n");
    test::WriteFile(dir.File("ROADS.DAT"),
                    "CID;TABCD;LCD;CLASS;TCD;STCD;ROADNUMBER;RNID;N1ID;N2ID;POL_LCD;PES_LEV\r\n"
                    "58;12;100;L;1;1;A1;;1;2;300;\r\n");
    test::WriteFile(dir.File("SEGMENTS.DAT"),
                    "CID;TABCD;LCD;CLASS;TCD;STCD;ROADNUMBER;RNID;N1ID;N2ID;ROA_LCD;SEG_LCD;POL_LCD\r\n"
                    "58;12;200;L;3;1;A1;;3;2;100;;300\r\n");
    test::WriteFile(dir.File("POINTS.DAT"),
                    "CID;TABCD;LCD;CLASS;TCD;STCD;JUNCTIONNUMBER;RNID;N1ID;N2ID;POL_LCD;OTH_LCD;SEG_LCD;ROA_LCD;"
                    "INPOS;INNEG;OUTPOS;OUTNEG;PRESENTPOS;PRESENTNEG;DIVERSIONPOS;DIVERSIONNEG;XCOORD;YCOORD;"
                    "INTERRUPTSROAD;URBAN\r\n"
                    "58;12;42156;P;1;3;36;;3;;300;;200;;1;1;1;1;1;1;;;+00997000;+5334000;0;0\r\n"
                    "58;12;42157;P;1;3;;;5;;300;;;100;1;1;1;1;1;1;;;;;0;0\r\n");
    test::WriteFile(dir.File("ADMINISTRATIVEAREA.DAT"),
                    "CID;TABCD;LCD;CLASS;TCD;STCD;NID;POL_LCD\r\n58;12;300;A;7;;4;\r\n");
    test::WriteFile(dir.File("POFFSETS.DAT"), "CID;TABCD;LCD;NEG_OFF_LCD;POS_OFF_LCD\r\n58;12;42156;;42157\r\n");
}

TEST(LocationTable, NamesPointsSegmentsRoadsAndAreasInUtf8) {
    test::TempDir dir;
    WriteTables(dir);
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

}  // namespace
}  // namespace rdstmc
