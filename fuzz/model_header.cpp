// The field model's header (wmm2025.wmm) is read from a data folder that FLUXPROBE_DATA_DIR may
// point anywhere. Any input either matches the model we ship or is refused with a
// FieldModelError that names the file and is printable; nothing else is ever accepted.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Check.h"
#include "heading/model/FieldModel.h"
#include "heading/model/ModelFiles.h"

using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        heading::checkModelHeader(text);
    } catch (const heading::FieldModelError& e) {
        const std::string_view message = e.what();
        require(message.starts_with("wmm2025.wmm: "), "a refusal names the file");
        require(fuzz::printable(message), "a refusal is printable");
        return 0;
    }
    // Accepted: then any other model count, or a second one, is refused.
    const std::string header(text);
    for (const char* extra : {"\nNumModels 2\n", "\nMaxTime 2100\n"}) {
        bool refused = false;
        try {
            heading::checkModelHeader(header + extra);
        } catch (const heading::FieldModelError&) {
            refused = true;
        }
        require(refused, "a header with a key given twice is refused");
    }
    return 0;
}
