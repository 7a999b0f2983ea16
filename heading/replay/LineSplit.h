#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace heading {

// Gives each whole line of text (read in pieces of any size) to parser.line, and keeps the
// unfinished end in partial for the next piece. A line longer than maxLineBytes (plus one byte
// of room for the \r of a CRLF ending) goes to parser.tooLong, which does not return, before it
// is held whole.
template <typename Parser>
void splitLines(std::string_view text, std::string& partial, Parser& parser,
                std::size_t maxLineBytes) {
    for (;;) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) break;
        if (partial.empty()) {
            parser.line(text.substr(0, end));
        } else {
            if (partial.size() + end > maxLineBytes + 1) parser.tooLong();
            partial.append(text.substr(0, end));
            parser.line(partial);
            partial.clear();
        }
        text.remove_prefix(end + 1);
    }
    if (partial.size() + text.size() > maxLineBytes + 1) parser.tooLong();
    partial.append(text);
}

}  // namespace heading
