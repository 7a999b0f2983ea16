#pragma once

#include <string>

namespace app {

// The README's options and keys tables, in Markdown, from the option table.
std::string optionsMarkdown();
std::string keysMarkdown();

// readme with each generated table (between its "<!-- BEGIN name -->" and "<!-- END name -->"
// lines) made anew; throws std::runtime_error naming a marker that is missing.
std::string withTablesRenewed(const std::string& readme);

}  // namespace app
