#include "publish/SpoolRecords.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace publish {

namespace {

std::string sealed(std::string line) {
    char crc[16];
    std::snprintf(crc, sizeof crc, " %08x\n", static_cast<unsigned>(crc32(line)));
    return line + crc;
}

bool readTime(std::string_view text, std::int64_t& time) {
    if (text.empty() || text.size() > 20) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), time);
    return error == std::errc() && end == text.data() + text.size();
}

bool printable(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; });
}

// One line without its newline: a record, or why it is none.
const char* parseLine(std::string_view line, char& kind, std::int64_t& time,
                      std::string_view& payload) {
    if (line.size() < 12 || line[line.size() - 9] != ' ') return "no checksum at its end";
    const std::string_view body = line.substr(0, line.size() - 9);
    std::uint32_t stored = 0;
    const std::string_view hex = line.substr(line.size() - 8);
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), stored, 16);
    if (error != std::errc() || end != hex.data() + hex.size()) return "no checksum at its end";
    if (stored != crc32(body)) return "its checksum does not match";
    if (body.size() < 3 || body[1] != ' ' || (body[0] != 'm' && body[0] != 'a'))
        return "not a record of the spool";
    kind = body[0];
    const std::string_view rest = body.substr(2);
    const auto space = rest.find(' ');
    if (!readTime(rest.substr(0, space), time)) return "no time in seconds";
    if (kind == 'a') return space == std::string_view::npos ? nullptr : "text after the time";
    if (space == std::string_view::npos || space + 1 == rest.size()) return "no message";
    payload = rest.substr(space + 1);
    return printable(payload) ? nullptr : "a control character in the message";
}

}  // namespace

std::uint32_t crc32(std::string_view data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char c : data) crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string minuteRecord(const SpooledMinute& minute) {
    return sealed("m " + std::to_string(minute.time) + " " + minute.payload);
}

std::string doneRecord(std::int64_t time) {
    return sealed("a " + std::to_string(time));
}

SpoolContents readSpool(std::string_view text, std::size_t maxMinutes) {
    SpoolContents contents;
    auto damage = [&](const char* why) {
        if (contents.damaged++ == 0) {
            contents.firstDamagedLine = contents.lines;
            contents.firstDamage = why;
        }
    };
    while (!text.empty()) {
        ++contents.lines;
        const auto newline = text.find('\n');
        if (newline == std::string_view::npos) {
            damage("it is cut off (no end of line)");
            break;
        }
        const std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline + 1);
        char kind = 0;
        std::int64_t time = 0;
        std::string_view payload;
        if (const char* why = parseLine(line, kind, time, payload)) {
            damage(why);
            continue;
        }
        if (kind == 'm') {
            contents.minutes.push_back({time, std::string(payload)});
            if (contents.minutes.size() > maxMinutes) {
                contents.minutes.pop_front();
                ++contents.overflow;
            }
            continue;
        }
        const auto done = std::find_if(contents.minutes.begin(), contents.minutes.end(),
                                       [time](const SpooledMinute& m) { return m.time == time; });
        if (done != contents.minutes.end()) contents.minutes.erase(done);
    }
    return contents;
}

}  // namespace publish
