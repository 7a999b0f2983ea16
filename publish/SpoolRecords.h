#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace publish {

// The spool on disk is a log of text lines, each ending in the CRC-32 of what precedes it:
//   m TIME PAYLOAD CRC   a minute to send (TIME in seconds since 1970, PAYLOAD one line of JSON)
//   a TIME CRC           the oldest waiting minute of that TIME is done with (sent or dropped)
// Lines are only ever appended, so a crash leaves at worst one torn last line.

struct SpooledMinute {
    std::int64_t time = 0;
    std::string payload;
    friend bool operator==(const SpooledMinute&, const SpooledMinute&) = default;
};

std::string minuteRecord(const SpooledMinute& minute);
std::string doneRecord(std::int64_t time);

// What a spool file held: the minutes still to send, in order, and the lines that could not be
// read (torn, garbled, a checksum that does not match), counted, with the first one's place.
struct SpoolContents {
    std::deque<SpooledMinute> minutes;
    std::size_t lines = 0;
    std::size_t damaged = 0;
    std::size_t firstDamagedLine = 0;  // 1-based; 0 when none is
    std::string firstDamage;           // why that line could not be read
    std::size_t overflow = 0;          // minutes beyond the bound, oldest first, left out
};

// Reads a spool's text, keeping at most maxMinutes (the newest).
SpoolContents readSpool(std::string_view text, std::size_t maxMinutes);

std::uint32_t crc32(std::string_view data);

}  // namespace publish
