#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Heading.h"

namespace heading {

// A recorded session: the header line t,x,y,z,magneticHeading,trueHeading, then one sample a
// line (t in seconds, never going backwards; the axes in µT; the headings in degrees). Empty
// lines and CRLF endings are fine. Every value must be a finite number.
class ReplayFile {
  public:
    // Reads and checks the whole file; throws SourceError naming the file, the line and what was
    // expected there.
    static std::vector<platform::Heading> read(const std::string& path);

    // The same check on text already read; name stands for the file in messages.
    static std::vector<platform::Heading> parse(std::string_view text, const std::string& name);
};

}  // namespace heading
