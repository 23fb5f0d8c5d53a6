// Small location tables in the publishers' exchange format, written by the
// tests that load one.
#pragma once

#include "support/test_support.h"

namespace rdstmc::test {

// Table 12 of country 58 (PI nibble D), in ISO-8859-1 as its README.DAT says:
// road A1 Hamburg - Bremen (100), its segment Dibbersen - Bremen (200),
// points Dibbersen (42156, on the segment) and "Straße" (42157, on the road),
// and the area "Lüneburger Heide" (300).
void WriteLocationTables(const TempDir& dir);
// The same tables in `directory`, their README.DAT naming `charset`, and
// the area's name given as the bytes of that character set.
void WriteLocationTables(const std::string& directory, const std::string& charset, const std::string& areaName);

// Table 7 of country 58, in UTF-8: ring road A99 "Nordring" (1000) from
// Hafen to Flughafen, its segment (2000), and four points chained by offsets
// in positive direction: Hafen (10), Zentrum Süd (11, junction 3), Messe
// (12, junction 4), Überseestadt (13, no coordinates); Hafen lies west of
// Greenwich (negative longitude).
void WriteRingRoadTable(const TempDir& dir);

// Table 17 of country 27 (PI nibble 6, ECC E1) as Finland publishes its
// table: tab-separated, ISO-8859-1 (README.DAT, tab-separated too, says
// so), decimal-degree coordinates, columns in another order and beside ones
// of its own, and files of its own: road 9 from Lehtola to Muittari (100),
// points Lehtola (16833, 25.015626 E 62.723065 N), Hämeenlinna (16832) and
// Muittari (16831), chained in positive direction.
void WritePublishedStyleTables(const TempDir& dir);

}  // namespace rdstmc::test
