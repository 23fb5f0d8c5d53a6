# Turns data/tmc-event-properties.tsv into a C++ table, so the library knows
# every event's properties with no file at run time. Run as a script:
#   cmake -DINPUT=... -DOUTPUT=... -P embed_event_properties.cmake
# The notice at the head of the data (its source and licence) goes with it.
cmake_minimum_required(VERSION 3.20)
file(STRINGS "${INPUT}" lines ENCODING UTF-8)
set(notice "")
set(rows "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^#")
    string(REGEX REPLACE "^# ?" "" text "${line}")
    string(APPEND notice "// ${text}\n")
    continue()
  endif()
  if(line MATCHES "^code\t")
    continue()
  endif()
  # Empty fields would vanish from a CMake list, so mark each one first.
  string(REPLACE "\t" ";-" fields "-${line}")
  list(LENGTH fields n)
  if(NOT n EQUAL 8)
    message(FATAL_ERROR "${INPUT}: not 8 columns: ${line}")
  endif()
  list(TRANSFORM fields REPLACE "^-" "")
  list(GET fields 0 code)
  list(GET fields 1 nature)
  list(GET fields 2 quantifier)
  list(GET fields 3 duration)
  list(GET fields 4 directionality)
  list(GET fields 5 urgency)
  list(GET fields 6 update_class)
  list(GET fields 7 kind)
  if(NOT code MATCHES "^[0-9]+$" OR code GREATER 2047 OR NOT update_class MATCHES "^[0-9]+$")
    message(FATAL_ERROR "${INPUT}: bad line: ${line}")
  endif()
  set(n_nature "N::Information")
  if(nature STREQUAL "F")
    set(n_nature "N::Forecast")
  elseif(nature STREQUAL "S")
    set(n_nature "N::Silent")
  endif()
  set(spoken "true")
  if(duration MATCHES "^\\((.)\\)$")
    set(duration "${CMAKE_MATCH_1}")
    set(spoken "false")
  endif()
  set(d_type "D::Unspecified")
  if(duration STREQUAL "D")
    set(d_type "D::Dynamic")
  elseif(duration STREQUAL "L")
    set(d_type "D::LongerLasting")
  endif()
  set(u "U::Normal")
  if(urgency STREQUAL "U")
    set(u "U::Urgent")
  elseif(urgency STREQUAL "X")
    set(u "U::ExtremelyUrgent")
  endif()
  set(k "K::Ordinary")
  if(kind STREQUAL "cancel")
    set(k "K::Cancellation")
  elseif(kind STREQUAL "null")
    set(k "K::Null")
  endif()
  string(APPEND rows "    {${code}, ${n_nature}, ${quantifier}, ${d_type}, ${spoken}, ${directionality}, ${u}, ${update_class}, ${k}},\n")
  math(EXPR count "${count} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Generated from data/tmc-event-properties.tsv by cmake/embed_event_properties.cmake.
//
${notice}
#include \"tmc/event_properties_data.h\"

namespace rdstmc {

using N = TmcNature;
using D = TmcDurationType;
using U = TmcUrgency;
using K = TmcEventKind;

const TmcEventProperties kEventProperties[] = {
${rows}};

const size_t kEventPropertiesCount = ${count};

}  // namespace rdstmc
")
# Unchanged output keeps its time stamp, so nothing is rebuilt for nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
