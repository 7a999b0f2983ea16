#pragma once

#include <string>

namespace app {

// The usage lines, from the option table.
std::string usageLine();
// What --help prints: the usage, every option, key, environment variable and example, from the
// option table. The man page is made from this text (packaging/make-man.py).
std::string helpText();

}  // namespace app
