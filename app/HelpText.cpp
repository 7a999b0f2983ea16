#include "app/HelpText.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/OptionTable.h"

namespace app {

namespace {

constexpr std::size_t kWidth = 94;
constexpr std::size_t kTermColumn = 2;
constexpr std::size_t kTextColumn = 25;
constexpr std::size_t kChoiceColumn = 27;
constexpr std::size_t kChoiceTextColumn = 47;

// Columns on a terminal: every UTF-8 sequence is one (µ, ←).
std::size_t columns(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// text broken between words into lines of at most kWidth, each but the first indented.
std::string wrapped(std::string_view text, std::size_t indent, std::size_t firstColumn) {
    std::string out;
    std::size_t column = firstColumn;
    bool lineEmpty = true;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.find(' ', i), text.size());
        const std::string_view word = text.substr(i, end - i);
        i = end + 1;
        if (word.empty()) continue;
        if (!lineEmpty && column + 1 + columns(word) > kWidth) {
            out += '\n' + std::string(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += ' ';
            ++column;
        }
        out += word;
        column += columns(word);
        lineEmpty = false;
    }
    return out;
}

// "  term   text…": the text at textColumn, or on the next line where the term reaches it.
std::string entry(std::string_view term, std::string_view text, std::size_t termColumn,
                  std::size_t textColumn) {
    std::string out(termColumn, ' ');
    out += term;
    std::size_t column = termColumn + columns(term);
    if (column + 2 > textColumn) {
        out += '\n';
        column = 0;
    }
    out += std::string(textColumn - column, ' ');
    return out + wrapped(plainText(text), textColumn, textColumn) + '\n';
}

std::string termOf(const OptionEntry& option) {
    std::string term(option.name);
    if (option.takes == Takes::Value) term += "=";
    term += option.argument;
    return term;
}

// As --help lists it: with its short form.
std::string helpTerm(const OptionEntry& option) {
    return option.name == "--help" ? termOf(option) + ", -h" : termOf(option);
}

// The run's other shapes: the options that make each, the first ones needed, the rest optional.
struct Form {
    std::vector<std::string_view> names;
    std::size_t needed;
};
const std::vector<Form>& otherForms() {
    static const std::vector<Form> forms = {
        {{"--field-model", "--location", "--date"}, 2},
        {{"--station", "--station-info", "--station-alert", "--publish", "--publish-password-file",
          "--publish-ca", "--publish-discovery", "--heading-source"},
         1},
    };
    return forms;
}

// An option that only another shape of the run takes.
bool ofOtherForm(std::string_view name) {
    for (const Form& form : otherForms())
        if (form.names.front() == name ||
            (name != "--location" && name != "--heading-source" &&
             std::find(form.names.begin(), form.names.end(), name) != form.names.end()))
            return true;
    return false;
}

std::string formLine(const std::vector<std::string>& words, std::string_view start) {
    std::string out(start);
    std::size_t column = columns(start);
    const std::size_t indent = column + 1;
    for (const std::string& word : words) {
        if (column + 1 + columns(word) > kWidth - 4) {
            out += '\n' + std::string(indent, ' ');
            column = indent;
        } else {
            out += ' ';
            ++column;
        }
        out += word;
        column += columns(word);
    }
    return out;
}

}  // namespace

std::string usageLine() {
    std::vector<std::string> words;
    for (const OptionEntry& option : optionTable())
        if (!ofOtherForm(option.name)) words.push_back("[" + termOf(option) + "]");
    words.emplace_back("[Qt options such as -platform offscreen]");
    std::string text = formLine(words, "usage: fluxprobe");
    for (const Form& form : otherForms()) {
        std::vector<std::string> formWords;
        for (std::size_t i = 0; i < form.names.size(); ++i) {
            const std::string term = termOf(*findOption(form.names[i]));
            formWords.push_back(i < form.needed ? term : "[" + term + "]");
        }
        text += "\n" + formLine(formWords, "       fluxprobe");
    }
    return text;
}

std::string helpText() {
    std::string text = usageLine();
    text += R"(

A magnetic field meter: the field along each axis and in total (microtesla), a running graph
of the last 150 samples, and an alarm (beep and waves) above the slider's threshold.

Options:
)";
    for (const OptionEntry& option : optionTable()) {
        text += entry(helpTerm(option), option.meaning, kTermColumn, kTextColumn);
        for (const OptionChoice& choice : option.choices)
            text += entry(choice.value, choice.meaning, kChoiceColumn, kChoiceTextColumn);
    }
    text += "\nKeys:\n";
    for (const KeyEntry& key : keyTable())
        text += entry(key.keys, key.does, kTermColumn, kTextColumn);
    text += "\nEnvironment:\n";
    for (const TextEntry& variable : environmentTable())
        text += entry(variable.name, variable.text, kTermColumn, kTextColumn);
    text += "\nExamples:\n";
    for (std::string_view example : exampleTable()) text += "  " + std::string(example) + "\n";
    text += R"(
Every sample on the meter writes one line to stderr: the alarm slider's value ("40.00"; the
alarm sounds above that value + 60 µT). At exit fluxprobe writes to stderr how many samples it
delivered.

Ctrl+C, SIGTERM and SIGHUP end the run as --quit-after does (a second one ends it at once).

Exit status: 0 when the window closes or --quit-after or a signal ends the run; 1 when the recording or
the screenshot could not be written; 2 for a bad option, a source that cannot start or a broken
interface file.
)";
    return text;
}

}  // namespace app
