#include "app/Options.h"

#include <array>
#include <string_view>

#include "app/OptionTable.h"
#include "app/StrayArguments.h"
#include "heading/SourceChoice.h"
#include "heading/SourceError.h"

namespace app {

namespace {

// Qt's own command-line options (QCoreApplication, QGuiApplication, QApplication and the X11
// platform's), which Qt takes out of the arguments; each may be given with one or two dashes.
constexpr std::array<std::string_view, 15> kQtOptionsWithValue = {
    "platform",        "platformpluginpath",
    "platformtheme",   "plugin",
    "qwindowgeometry", "qwindowicon",
    "qwindowtitle",    "session",
    "display",         "geometry",
    "title",           "name",
    "visual",          "style",
    "stylesheet"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse", "nograb",      "dograb",
                                                      "sync",    "widgetcount", "testability"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::string_view n : names)
        if (n == name) return true;
    return false;
}

// One --name[=value] argument, read by its entry in the table.
void readOption(Options& options, const std::string& arg) {
    const auto eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const bool hasValue = eq != std::string::npos;
    const std::string value = hasValue ? arg.substr(eq + 1) : std::string();
    const OptionEntry* entry = findOption(name);
    if (!entry) throw OptionError(unknownOptionMessage(arg));
    if (entry->takes == Takes::Nothing && hasValue)
        throw OptionError("option " + name + " takes no value");
    if (entry->takes == Takes::Value && value.empty())
        throw OptionError("option " + name + " needs a value, as in " + name + "=" +
                          std::string(entry->example));
    entry->read(options, value);
}

// What one option says of another, once all are read.
void checkTogether(const Options& options) {
    if (options.fieldModel && !options.location)
        throw OptionError("option --field-model needs --location=LAT,LON[,ALT_M]");
    if (options.date && !options.fieldModel)
        throw OptionError("option --date goes with --field-model; the meter always uses today");
    if (!options.serveToken.empty() && !options.serve)
        throw OptionError("option --serve-token goes with --serve");
    try {
        heading::parseSourceChoice(options.source.spec);
    } catch (const heading::SourceError& e) {
        throw OptionError(e.what());
    }
}

}  // namespace

std::vector<std::string> withoutQtOptions(const std::vector<std::string>& args) {
    std::vector<std::string> ours;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            ours.push_back(args[i]);
            continue;
        }
        arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
        const std::string_view name = arg.substr(0, arg.find('='));
        const bool joined = name.size() < arg.size();
        if (among(kQtOptionsWithValue, name)) {
            // "-style=fusion" holds its value; "-platform offscreen" takes the next argument.
            if (!joined && i + 1 < args.size()) ++i;
        } else if (!(among(kQtFlags, name) && !joined) && name != "qmljsdebugger") {
            ours.push_back(args[i]);
        }
    }
    return ours;
}

bool wantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    for (const std::string& arg : args) {
        if (arg == "-h") {
            options.help = true;
        } else if (arg.rfind("--", 0) != 0) {  // not ours: ignored, with a word to the user
            options.warnings.push_back(strayArgumentWarning(arg));
        } else {
            readOption(options, arg);
        }
    }
    checkTogether(options);
    return options;
}

}  // namespace app
