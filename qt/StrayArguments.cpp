#include "qt/StrayArguments.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace platform::qt {

namespace {

// Our long options, to recognise one typed with a single dash.
constexpr std::array<std::string_view, 10> kLongOptions = {
    "heading-source", "declination",  "record",   "quit-after", "screenshot",
    "ui-dir",         "open-compass", "location", "date",       "field-model"};

bool endsWithCsv(const std::string& arg) {
    if (arg.size() < 4) return false;
    std::string tail = arg.substr(arg.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".csv";
}

}  // namespace

std::string strayArgumentWarning(const std::string& arg) {
    const std::string quoted = "ignoring '" + arg + "'";
    if (arg.size() > 1 && arg[0] == '-') {
        // A long option typed with one dash, as in -record=walk.csv.
        const std::string_view rest = std::string_view(arg).substr(1);
        const std::string_view name = rest.substr(0, rest.find('='));
        if (std::find(kLongOptions.begin(), kLongOptions.end(), name) != kLongOptions.end())
            return quoted + " \u2014 did you mean -" + arg + "?";
        return quoted + ": it is neither a fluxprobe option nor one of Qt's (see --help)";
    }
    if (endsWithCsv(arg))
        return quoted + " \u2014 did you mean --heading-source=replay:" + arg + "?";
    return quoted + ": fluxprobe takes options only (see --help)";
}

}  // namespace platform::qt
