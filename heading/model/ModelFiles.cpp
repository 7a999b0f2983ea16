#include "heading/model/ModelFiles.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>

#include "heading/BoundedFile.h"
#include "heading/Numbers.h"
#include "heading/model/FieldModel.h"

namespace heading {

namespace {

constexpr std::size_t kLargestHeader = 64 * 1024;  // ours is under 1 KiB

// The keys a header may hold; anything else was not written by us.
constexpr std::array<std::string_view, 19> kKeys = {
    "Name",           "Description",   "URL",       "Publisher", "ReleaseDate",
    "ConversionDate", "DataVersion",   "Radius",    "NumModels", "NumConstants",
    "Epoch",          "DeltaEpoch",    "MinTime",   "MaxTime",   "MinHeight",
    "MaxHeight",      "Normalization", "ByteOrder", "ID"};

std::string quoted(std::string_view text) {
    return "'" + printable(text) + "'";
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.12g", value);
    return text;
}

// A whole file, if it is a regular file of at most limit bytes. Returns the error to report, or
// nothing; openError is set when it could not be opened.
std::optional<std::string> readBounded(const std::string& path, std::size_t limit,
                                       std::string& bytes, int& openError) {
    BoundedFile file = readBoundedFile(path, limit);
    openError = file.problem == BoundedFile::Problem::Open ? file.error : 0;
    switch (file.problem) {
        case BoundedFile::Problem::None:
            bytes = std::move(file.bytes);
            return std::nullopt;
        case BoundedFile::Problem::Open:
        case BoundedFile::Problem::Read:
            return std::string(std::strerror(file.error));
        case BoundedFile::Problem::NotRegular:
            return "not a regular file";
        case BoundedFile::Problem::TooLarge:
            break;
    }
    return "larger than " + std::to_string(limit) + " bytes";
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::size_t ModelLayout::coefficientBytes() const {
    const auto n = static_cast<std::size_t>(degree);
    const std::size_t terms = (n + 1) * (n + 2) / 2 + n * (n + 1) / 2;
    return 8 + 2 * (2 * 4 + terms * 8);
}

void checkModelHeader(std::string_view text, const ModelLayout& layout) {
    const std::string file = std::string(layout.name) + ".wmm: ";
    const auto fail = [&file](const std::string& what) { throw FieldModelError(file + what); };
    if (text.size() > kLargestHeader)
        fail("larger than " + std::to_string(kLargestHeader) + " bytes");
    std::map<std::string, std::string, std::less<>> values;
    bool first = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (first) {
            if (trimmed(line) != "WMMF-2")
                fail("expected WMMF-2 on the first line, found " + quoted(line));
            first = false;
            continue;
        }
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const auto gap = line.find_first_of(" \t");
        const std::string_view key = line.substr(0, gap);
        const std::string_view value =
            gap == std::string_view::npos ? std::string_view() : trimmed(line.substr(gap));
        bool known = false;
        for (std::string_view k : kKeys) known = known || k == key;
        if (!known) fail("unknown key " + quoted(key));
        if (!values.emplace(key, value).second) fail(std::string(key) + " is given twice");
    }
    if (first) fail("the file is empty");

    const auto requireText = [&](std::string_view key, std::string_view expected) {
        const auto it = values.find(key);
        if (it == values.end()) fail(std::string(key) + " is missing");
        if (it->second != expected)
            fail(std::string(key) + " is " + quoted(it->second) + ", expected " + quoted(expected));
    };
    const auto requireNumber = [&](std::string_view key, double expected) {
        const auto it = values.find(key);
        if (it == values.end()) fail(std::string(key) + " is missing");
        const auto value = parseNumber(it->second);
        if (!value || *value != expected)
            fail(std::string(key) + " is " + quoted(it->second) + ", expected " + number(expected));
    };
    requireText("Name", layout.name);
    requireText("ID", layout.id);
    requireNumber("NumModels", 1);
    if (values.count("NumConstants")) requireNumber("NumConstants", 0);
    requireNumber("Epoch", layout.epoch);
    requireNumber("DeltaEpoch", layout.yearsValid);
    requireNumber("MinTime", layout.epoch);
    requireNumber("MaxTime", layout.validUntil());
    requireNumber("MinHeight", layout.minHeight);
    requireNumber("MaxHeight", layout.maxHeight);
    requireNumber("Radius", layout.radius);
    requireText("Normalization", "schmidt");
    requireText("ByteOrder", "little");
}

void checkModelCoefficients(std::string_view bytes, const ModelLayout& layout) {
    const std::string file = std::string(layout.name) + ".wmm.cof: ";
    const auto fail = [&file](const std::string& what) { throw FieldModelError(file + what); };
    if (bytes.size() != layout.coefficientBytes())
        fail("holds " + std::to_string(bytes.size()) + " bytes, expected " +
             std::to_string(layout.coefficientBytes()) + " for degree " +
             std::to_string(layout.degree));
    if (bytes.substr(0, 8) != layout.id)
        fail("starts with the ID " + quoted(bytes.substr(0, 8)) + ", expected " +
             quoted(layout.id));
    std::size_t at = 8;
    const auto take = [&bytes, &at](int width) {
        std::uint64_t bits = 0;
        for (int i = 0; i < width; ++i)
            bits |= std::uint64_t{static_cast<unsigned char>(bytes[at++])} << (8 * i);
        return bits;
    };
    const auto n = static_cast<std::size_t>(layout.degree);
    const std::size_t terms = (n + 1) * (n + 2) / 2 + n * (n + 1) / 2;
    for (const char* part : {"the field", "its yearly change"}) {
        for (const char* what : {"degree", "order"}) {
            const auto value = static_cast<std::int32_t>(take(4));
            if (value != layout.degree)
                fail("the " + std::string(what) + " of " + part + " is " + std::to_string(value) +
                     ", expected " + std::to_string(layout.degree));
        }
        for (std::size_t i = 0; i < terms; ++i) {
            const double c = std::bit_cast<double>(take(8));
            if (!(std::fabs(c) <= kLargestCoefficient))
                fail("coefficient " + std::to_string(i + 1) + " of " + part + " is " + number(c) +
                     (std::isfinite(c) ? ", beyond any of the Earth's field" : ""));
        }
    }
}

void checkModelFiles(const std::string& folder, const ModelLayout& layout) {
    const std::string header = folder + "/" + layout.name + ".wmm";
    const std::string damaged = "the field model in " + folder + " is damaged: ";
    std::string bytes;
    int openError = 0;
    if (auto problem = readBounded(header, kLargestHeader, bytes, openError)) {
        if (openError != 0)
            throw FieldModelError("cannot load the field model " + std::string(layout.name) +
                                  " from " + folder + ": " + layout.name + ".wmm: " + *problem);
        throw FieldModelError(damaged + layout.name + ".wmm: " + *problem);
    }
    try {
        checkModelHeader(bytes, layout);
        if (auto problem =
                readBounded(header + ".cof", layout.coefficientBytes(), bytes, openError))
            throw FieldModelError(std::string(layout.name) + ".wmm.cof: " + *problem);
        checkModelCoefficients(bytes, layout);
    } catch (const FieldModelError& e) {
        throw FieldModelError(damaged + e.what());
    }
}

}  // namespace heading
