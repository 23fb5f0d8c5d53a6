#include "support/tmc_tables.h"

namespace rdstmc::test {

void WriteLocationTables(const TempDir& dir) {
    WriteLocationTables(dir.Path(), "ISO-8859-1", "L\xFC" "neburger Heide");
}

void WriteLocationTables(const std::string& directory, const std::string& charset, const std::string& areaName) {
    const auto file = [&](const char* name) { return directory + "/" + name; };
    WriteFile(file("README.DAT"), "Location table 12, character set " + charset + "\r\n");
    WriteFile(file("COUNTRIES.DAT"), "CID;ECC;CCD;CNAME\r\n58;E0;D;Deutschland\r\n");
    WriteFile(file("LOCATIONDATASETS.DAT"), "CID;TABCD;DCOMMENT;VERSION;VERSIONDESCRIPTION\r\n58;12;test;1.0;\r\n");
    WriteFile(file("NAMES.DAT"),
        "CID;LID;NID;NAME;NCOMMENT;OFFICIALNAME\r\n"
        "58;1;1;Hamburg;;\r\n58;1;2;Bremen;;\r\n58;1;3;Dibbersen;;\r\n58;1;4;" + areaName + ";;\r\n"
        "58;1;5;Stra\xDF" "e;;\r\n");
    WriteFile(file("ROADS.DAT"),
        "CID;TABCD;LCD;CLASS;TCD;STCD;ROADNUMBER;RNID;N1ID;N2ID;POL_LCD;PES_LEV\r\n"
        "58;12;100;L;1;1;A1;;1;2;300;\r\n");
    WriteFile(file("SEGMENTS.DAT"),
        "CID;TABCD;LCD;CLASS;TCD;STCD;ROADNUMBER;RNID;N1ID;N2ID;ROA_LCD;SEG_LCD;POL_LCD\r\n"
        "58;12;200;L;3;1;A1;;3;2;100;;300\r\n");
    WriteFile(file("POINTS.DAT"),
        "CID;TABCD;LCD;CLASS;TCD;STCD;JUNCTIONNUMBER;RNID;N1ID;N2ID;POL_LCD;OTH_LCD;SEG_LCD;ROA_LCD;"
        "INPOS;INNEG;OUTPOS;OUTNEG;PRESENTPOS;PRESENTNEG;DIVERSIONPOS;DIVERSIONNEG;XCOORD;YCOORD;"
        "INTERRUPTSROAD;URBAN\r\n"
        "58;12;42156;P;1;3;36;;3;;300;;200;;1;1;1;1;1;1;;;+00997000;+5334000;0;0\r\n"
        "58;12;42157;P;1;3;;;5;;300;;;100;1;1;1;1;1;1;;;;;0;0\r\n");
    WriteFile(file("ADMINISTRATIVEAREA.DAT"),
        "CID;TABCD;LCD;CLASS;TCD;STCD;NID;POL_LCD\r\n58;12;300;A;7;;4;\r\n");
    WriteFile(file("POFFSETS.DAT"), "CID;TABCD;LCD;NEG_OFF_LCD;POS_OFF_LCD\r\n58;12;42156;;42157\r\n");
}

}  // namespace rdstmc::test

namespace rdstmc::test {

void WriteRingRoadTable(const TempDir& dir) {
    WriteFile(dir.File("README.DAT"), "Location table 7, character set UTF-8\r\n");
    WriteFile(dir.File("COUNTRIES.DAT"), "CID;ECC;CCD;CNAME\r\n58;E0;D;Deutschland\r\n");
    WriteFile(dir.File("NAMES.DAT"),
        "CID;LID;NID;NAME;NCOMMENT;OFFICIALNAME\r\n"
        "58;1;1;Hafen;;\r\n58;1;2;Flughafen;;\r\n58;1;3;Nordring;;\r\n58;1;4;Zentrum S\xC3\xBC" "d;;\r\n"
        "58;1;5;Messe;;\r\n58;1;6;\xC3\x9C" "berseestadt;;\r\n");
    WriteFile(dir.File("ROADS.DAT"),
        "CID;TABCD;LCD;CLASS;TCD;STCD;ROADNUMBER;RNID;N1ID;N2ID;POL_LCD;PES_LEV\r\n"
        "58;7;1000;L;1;1;A99;3;1;2;;\r\n");
    WriteFile(dir.File("SEGMENTS.DAT"),
        "CID;TABCD;LCD;CLASS;TCD;STCD;ROADNUMBER;RNID;N1ID;N2ID;ROA_LCD;SEG_LCD;POL_LCD\r\n"
        "58;7;2000;L;3;1;A99;;1;2;1000;;\r\n");
    WriteFile(dir.File("POINTS.DAT"),
        "CID;TABCD;LCD;CLASS;TCD;STCD;JUNCTIONNUMBER;RNID;N1ID;N2ID;POL_LCD;OTH_LCD;SEG_LCD;ROA_LCD;XCOORD;YCOORD\r\n"
        "58;7;10;P;1;3;;;1;;;;2000;1000;-00012345;+5133000\r\n"
        "58;7;11;P;1;3;3;;4;;;;2000;1000;+00150000;+5134000\r\n"
        "58;7;12;P;1;3;4;;5;;;;2000;1000;+00200000;+5135500\r\n"
        "58;7;13;P;1;3;;;6;;;;2000;1000;;\r\n");
    WriteFile(dir.File("POFFSETS.DAT"),
        "CID;TABCD;LCD;NEG_OFF_LCD;POS_OFF_LCD\r\n"
        "58;7;10;;11\r\n58;7;11;10;12\r\n58;7;12;11;13\r\n58;7;13;12;\r\n");
}

}  // namespace rdstmc::test

namespace rdstmc::test {

void WritePublishedStyleTables(const TempDir& dir) {
    WriteFile(dir.File("README.DAT"), "TABCD\tVERSION\tCHARSET\r\n17\t2026.1\tISO-8859-1\r\n");
    WriteFile(dir.File("COUNTRIES.DAT"), "CID\tECC\tCCD\tCNAME\r\n27\tE1\t6\tSuomi\r\n");
    WriteFile(dir.File("NAMES.DAT"),
        "CID\tLID\tNID\tNAME\tNCOMMENT\tOFFICIALNAME\r\n"
        "27\t1\t1\tLehtola\t\t\r\n27\t1\t2\tH\xE4meenlinna\t\t\r\n27\t1\t3\tMuittari\t\t\r\n");
    WriteFile(dir.File("NAMETRANSLATIONS.DAT"), "CID\tLID\tNID\tTRANSLATION\r\n27\t2\t2\tTavastehus\r\n");
    WriteFile(dir.File("ROADS.DAT"),
        "CID\tTABCD\tLCD\tCLASS\tTCD\tSTCD\tROADNUMBER\tRNID\tN1ID\tN2ID\tPOL_LCD\tPES_LEV\r\n"
        "27\t17\t100\tL\t1\t1\t9\t\t1\t3\t\t\r\n");
    WriteFile(dir.File("POINTS.DAT"),
        "ORDER\tLCD\tCID\tTABCD\tCLASS\tTCD\tSTCD\tN1ID\tROA_LCD\tXCOORD\tYCOORD\tETRS_TM35FINX\tETRS_TM35FINY\t"
        "GEOCODE\r\n"
        "1\t16833\t27\t17\tP\t1\t3\t1\t100\t25.015626\t62.723065\t3456789\t6954321\t908\r\n"
        "2\t16832\t27\t17\tP\t1\t3\t2\t100\t24.46\t61\t\t\t\r\n"
        "3\t16831\t27\t17\tP\t1\t3\t3\t100\t-0.5\t60.1\t\t\t\r\n");
    WriteFile(dir.File("POFFSETS.DAT"),
        "CID\tTABCD\tLCD\tNEG_OFF_LCD\tPOS_OFF_LCD\r\n"
        "27\t17\t16833\t\t16832\r\n27\t17\t16832\t16833\t16831\r\n27\t17\t16831\t16832\t\r\n");
}

}  // namespace rdstmc::test
