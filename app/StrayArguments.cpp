#include "app/StrayArguments.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "heading/Numbers.h"
#include "app/OptionTable.h"

namespace app {

namespace {

// Our long options, without their dashes: every one the option table declares.
const std::vector<std::string>& longOptions() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> found;
        for (const OptionEntry& entry : optionTable()) found.emplace_back(entry.name.substr(2));
        return found;
    }();
    return names;
}

bool isLongOption(std::string_view name) {
    return std::find(longOptions().begin(), longOptions().end(), name) != longOptions().end();
}

// How many single-letter edits turn a into b.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

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
        if (isLongOption(name)) return quoted + " \u2014 did you mean -" + arg + "?";
        return quoted + ": it is neither a fluxprobe option nor one of Qt's (see --help)";
    }
    if (endsWithCsv(arg))
        return quoted + " \u2014 did you mean --heading-source=replay:" + arg + "?";
    return quoted + ": fluxprobe takes options only (see --help)";
}

std::string unknownOptionMessage(const std::string& arg) {
    const std::string message = "unknown option '" + heading::printable(arg) + "'";
    const std::string_view given = std::string_view(arg).substr(0, arg.find('='));
    const std::string_view name = given.substr(given.find_first_not_of('-'));
    // The start of exactly one option's name, else a slip of a letter or two.
    const std::size_t slip = name.size() < 4 ? 1 : 2;
    const std::string* best = nullptr;
    std::size_t bestDistance = 0;
    std::size_t starts = 0;
    const std::string* started = nullptr;
    for (const std::string& option : longOptions()) {
        if (const std::size_t d = editDistance(name, option);
            d <= slip && (!best || d < bestDistance)) {
            best = &option;
            bestDistance = d;
        }
        if (name.size() >= 3 && option.starts_with(name)) {
            ++starts;
            started = &option;
        }
    }
    if (starts == 1) best = started;
    if (!best) return message;
    const std::string value = arg.size() > given.size() ? arg.substr(given.size()) : "";
    return message + " \u2014 did you mean --" + *best + heading::printable(value) + "?";
}

}  // namespace app
