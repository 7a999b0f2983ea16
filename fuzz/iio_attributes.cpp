// The sysfs attributes of an IIO magnetometer, each parsed from the same input. Whatever a parser
// accepts is in its range and reads back the same when written out again; whatever it refuses
// gets an AttributeError with a printable message.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "Check.h"
#include "heading/Numbers.h"
#include "heading/iio/IioAttributes.h"
#include "heading/iio/IioRates.h"
#include "heading/iio/IioScanType.h"

namespace {

using fuzz::require;

std::string exact(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g\n", v);
    return text;
}

// Runs one parser; false when it refused the text, as it may.
template <typename Parse>
bool accepted(Parse parse) {
    try {
        parse();
        return true;
    } catch (const heading::AttributeError& e) {
        require(fuzz::printable(e.what()), "a refusal is printable");
        require(std::string_view(e.what()).starts_with("expected "), "a refusal says why");
        return false;
    }
}

void checkNumber(std::string_view text) {
    const auto value = heading::parseNumber(text);
    if (!value || !std::isfinite(*value)) return;
    // What is taken as a number is one that strtod reads the same, all of it.
    const std::string whole(heading::trimSpaces(text));
    char* end = nullptr;
    const double c = std::strtod(whole.c_str(), &end);
    require(end == whole.c_str() + whole.size(), "strtod reads the whole number too");
    require(c == *value, "strtod reads the same number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkNumber(text);

    long long raw = 0;
    if (accepted([&] { raw = heading::parseIioRaw(text); }))
        require(heading::parseIioRaw(std::to_string(raw) + "\n") == raw, "a raw value reads back");

    double scale = 0.0;
    if (accepted([&] { scale = heading::parseIioScale(text); })) {
        require(std::isfinite(scale) && scale > 0.0, "a scale is positive and finite");
        require(heading::parseIioScale(exact(scale)) == scale, "a scale reads back");
    }

    double offset = 0.0;
    if (accepted([&] { offset = heading::parseIioOffset(text); })) {
        require(std::isfinite(offset), "an offset is finite");
        require(heading::parseIioOffset(exact(offset)) == offset, "an offset reads back");
    }

    double rate = 0.0;
    if (accepted([&] { rate = heading::parseIioSamplingFrequency(text); })) {
        require(rate > 0.0 && rate <= 100000.0, "a sampling frequency is in range");
        require(heading::parseIioSamplingFrequency(exact(rate)) == rate, "a frequency reads back");
    }

    heading::Matrix3 matrix;
    if (accepted([&] { matrix = heading::parseIioMountMatrix(text); })) {
        std::string written;
        for (int i = 0; i < 9; ++i) {
            require(std::isfinite(matrix.m[i]), "a mount matrix is finite");
            char cell[40];
            std::snprintf(cell, sizeof cell, "%.17g%s", matrix.m[i],
                          i == 8 ? "\n" : (i % 3 == 2 ? "; " : ", "));
            written += cell;
        }
        require(heading::parseIioMountMatrix(written) == matrix, "a mount matrix reads back");
    }

    heading::IioScanType type;
    if (accepted([&] { type = heading::parseIioScanType(text); })) {
        require(type.bits >= 1 && type.shift + type.bits <= type.storage,
                "a scan type's value fits its storage");
        char written[64];
        std::snprintf(written, sizeof written, "%s:%c%u/%uX%u>>%u\n", type.bigEndian ? "be" : "le",
                      type.isSigned ? 's' : 'u', type.bits, type.storage, type.repeat, type.shift);
        require(heading::parseIioScanType(written) == type, "a scan type reads back");
        // Every value read from any stored bytes lies in the type's range.
        unsigned char stored[8];
        for (std::size_t i = 0; i < sizeof stored; ++i)
            stored[i] = size > i ? data[size - 1 - i] : 0;
        const std::int64_t v = type.extract(stored);
        if (type.bits < 64) {
            const std::int64_t span = std::int64_t{1} << (type.bits - (type.isSigned ? 1 : 0));
            require(v < span && v >= (type.isSigned ? -span : 0), "a stored value is in range");
        }
    }

    std::optional<heading::IioRates> rates;
    if (accepted([&] { rates = heading::IioRates::parse(text); })) {
        for (const std::optional<double> asked :
             {std::optional<double>{}, std::optional(0.5), std::optional(100000.0)}) {
            const double chosen = rates->choose(asked);
            require(std::isfinite(chosen) && chosen > 0.0 && chosen <= 100000.0,
                    "a chosen rate is one a driver could take");
        }
    }
    return 0;
}
