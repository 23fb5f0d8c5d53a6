// The time-stamped sentence log.
#pragma once
#include <cstddef>

#include "record/log_record.h"

namespace rdstmc {

struct ReceiverState;

// Appends "[tick]," and the line (`length` bytes, through its line feed) to
// `receiver`'s log file as one record, when it logs. The file is opened and
// closed for each record so it can be moved or copied between records; a
// record that cannot be written is lost, nothing else is affected.
void WriteLogLine(ReceiverState& receiver, const char* line, size_t length);

}  // namespace rdstmc
