#pragma once

#include <span>
#include <string>
#include <string_view>

namespace app {

struct Options;

// What an option takes after its name.
enum class Takes { Nothing, Value, OptionalValue };

// One of the values an option chooses among, listed under it.
struct OptionChoice {
    std::string_view value;    // "replay:FILE"
    std::string_view meaning;  // same markup as OptionEntry::meaning
};

// One option of the command line, declared once: the parser, the usage line, --help, the man
// page (made from --help) and the README's table all come from here.
struct OptionEntry {
    std::string_view name;      // "--record"
    std::string_view argument;  // "FILE"; empty for a flag
    Takes takes;
    // One paragraph. `code` in backquotes and [words](#readme-anchor) links; --help shows the
    // code bare and the words of a link only.
    std::string_view meaning;
    // A value to show in "needs a value, as in --record=session.csv"; empty for a flag.
    std::string_view example;
    // Reads the option's value (empty for a flag) into options; throws OptionError.
    void (*read)(Options& options, const std::string& value);
    std::span<const OptionChoice> choices = {};
};

// A key of the window and what it does; the same markup as the options' meanings.
struct KeyEntry {
    std::string_view keys;  // "H", "Ctrl+R", "←, →, Page Up, Page Down"
    std::string_view does;
};

// A name and its text (environment variables, usage forms).
struct TextEntry {
    std::string_view name;
    std::string_view text;
};

// Every option, in the order --help and the README list them (--help comes last).
std::span<const OptionEntry> optionTable();
// Every key of the window.
std::span<const KeyEntry> keyTable();
// The environment variables read.
std::span<const TextEntry> environmentTable();
// Whole command lines for --help's examples.
std::span<const std::string_view> exampleTable();

// The entry named name ("--record"), or null.
const OptionEntry* findOption(std::string_view name);

// text with its markup taken out: `code` bare, [words](#anchor) as words.
std::string plainText(std::string_view text);

}  // namespace app
