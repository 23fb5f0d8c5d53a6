// The port connection: the serial reader and the paced write path.
#pragma once

namespace rdstmc {

// Frames `text` and writes it to the open port, then holds the write lock for
// 150 ms so that sentences from any threads are at least that far apart.
// True when the whole sentence was written; false, with nothing written and
// no pause, when no port is open or the text is longer than 250 characters.
bool SendSentence(const char* text);

}  // namespace rdstmc
