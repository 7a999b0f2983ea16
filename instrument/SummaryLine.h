#pragma once

#include <string>
#include <string_view>

namespace instrument {

class Statistics;

// The one line --summary prints at exit: "summary:" then name=value fields, in the order they
// were appended, so that any part of the program can add its own figures.
class SummaryLine {
  public:
    // samples, seconds and the statistics' fields (microtesla with 2 decimals, seconds with 3).
    explicit SummaryLine(const Statistics& run);

    void append(std::string_view name, std::string_view value);
    const std::string& text() const { return text_; }

  private:
    std::string text_ = "summary:";
};

}  // namespace instrument
