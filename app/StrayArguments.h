#pragma once

#include <string>

namespace app {

// What to tell the user about an argument that is neither one of our --options nor one of Qt's
// (Qt has taken its own out by then): a bare word or a single-dash option. It is ignored, but
// never silently, and a likely meaning is suggested.
std::string strayArgumentWarning(const std::string& arg);

// "unknown option '--recrod=a.csv' — did you mean --record=a.csv?": the option a mistyped or
// shortened --option most likely meant, when one stands out.
std::string unknownOptionMessage(const std::string& arg);

}  // namespace app
