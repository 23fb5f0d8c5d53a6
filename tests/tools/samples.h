// Small inputs in other tools' formats, shared by the tool tests.
#pragma once

namespace rdstmc::test {

// An RDS Spy log: "HELLO WORLD" and a carriage return, as 2A groups of PI
// 0x1234 on 96.9 MHz, one group with a missing block.
inline constexpr char kSpyExcerpt[] =
    "<recorder=\"RDS Spy\" date=\"2017-04-04\">\r\n"
    "Frequency: 96.9 MHz\r\n"
    "1234 2000 4845 4C4C @2017/04/04 21:43:12.10\r\n"
    "1234 2001 4F20 574F @2017/04/04 21:43:12.19\r\n"
    "1234 ---- 4F20 574F @2017/04/04 21:43:12.27\r\n"
    "1234 2002 524C 440D @2017/04/04 21:43:12.36\r\n";

}  // namespace rdstmc::test
