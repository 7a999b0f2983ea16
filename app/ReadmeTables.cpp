#include "app/ReadmeTables.h"

#include <stdexcept>
#include <string_view>

#include "app/OptionTable.h"

namespace app {

namespace {

// A table cell: a | would end it.
std::string cell(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

std::string code(std::string_view text) {
    return "`" + cell(text) + "`";
}

std::string renewed(const std::string& readme, const std::string& name, const std::string& table) {
    const std::string begin = "<!-- BEGIN " + name + " -->\n";
    const std::string end = "<!-- END " + name + " -->";
    const auto from = readme.find(begin);
    const auto to = readme.find(end);
    if (from == std::string::npos || to == std::string::npos || to < from)
        throw std::runtime_error("README: no '" + begin.substr(0, begin.size() - 1) + "' ... '" +
                                 end + "' lines to put the " + name + " between");
    return readme.substr(0, from + begin.size()) + table + readme.substr(to);
}

}  // namespace

std::string optionsMarkdown() {
    std::string out = "| option | meaning | example |\n|---|---|---|\n";
    for (const OptionEntry& option : optionTable()) {
        std::string term(option.name);
        if (option.takes == Takes::Value) term += "=";
        term += option.argument;
        std::string meaning = cell(option.meaning);
        for (const OptionChoice& choice : option.choices)
            meaning += "<br>" + code(choice.value) + " \u2014 " + cell(choice.meaning);
        const std::string example =
            option.example.empty()
                ? code(option.name)
                : code(std::string(option.name) + "=" + std::string(option.example));
        out += "| " + code(term) + " | " + meaning + " | " + example + " |\n";
    }
    return out;
}

std::string keysMarkdown() {
    std::string out = "| key | does |\n|---|---|\n";
    for (const KeyEntry& key : keyTable())
        out += "| " + cell(key.keys) + " | " + cell(key.does) + " |\n";
    return out;
}

std::string withTablesRenewed(const std::string& readme) {
    return renewed(renewed(readme, "options table", optionsMarkdown()), "keys table",
                   keysMarkdown());
}

}  // namespace app
