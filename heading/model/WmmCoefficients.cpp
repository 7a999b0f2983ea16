#include "heading/model/WmmCoefficients.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "heading/model/FieldModel.h"
#include "heading/model/ModelFiles.h"

namespace heading {

namespace {

// The published validity and reference radius of every WMM release.
constexpr double kYearsValid = kShippedModel.yearsValid;
constexpr double kMinHeight = kShippedModel.minHeight;
constexpr double kMaxHeight = kShippedModel.maxHeight;
constexpr double kReferenceRadius = kShippedModel.radius;

bool allNines(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return false;
    const auto last = line.find_last_not_of(" \t\r");
    return line.find_first_not_of('9', first) > last;
}

// Column-major storage, as GeographicLib's spherical harmonic sums index it: all orders m = 0
// first (n = 0..N), then m = 1 (n = 1..N), and so on. The sine terms leave out m = 0.
std::vector<double> columnMajor(const WmmCoefficients& c, double WmmCoefficients::Term::*field,
                                int firstOrder) {
    const int N = c.degree;
    std::vector<double> grid(static_cast<std::size_t>((N + 1) * (N + 1)), 0.0);
    for (const auto& t : c.terms) grid[static_cast<std::size_t>(t.n * (N + 1) + t.m)] = t.*field;
    std::vector<double> out;
    for (int m = firstOrder; m <= N; ++m)
        for (int n = m; n <= N; ++n) out.push_back(grid[static_cast<std::size_t>(n * (N + 1) + m)]);
    return out;
}

void putLittleEndian(std::ostream& out, std::uint64_t bits, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((bits >> (8 * i)) & 0xffu));
}

void putInt(std::ostream& out, int value) {
    putLittleEndian(out, static_cast<std::uint32_t>(value), 4);
}

void putDoubles(std::ostream& out, const std::vector<double>& values) {
    for (double v : values) putLittleEndian(out, std::bit_cast<std::uint64_t>(v), 8);
}

std::string isoDate(const std::string& monthDayYear) {
    int month = 0, day = 0, year = 0;
    char a = 0, b = 0;
    std::istringstream in(monthDayYear);
    if (!(in >> month >> a >> day >> b >> year) || a != '/' || b != '/') return monthDayYear;
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

}  // namespace

WmmCoefficients WmmCoefficients::parse(std::istream& in, const std::string& source) {
    WmmCoefficients c;
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& what) {
        throw FieldModelError(source + ":" + std::to_string(number) + ": " + what);
    };
    while (std::getline(in, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::istringstream fields(line);
        if (number == 1) {
            if (!(fields >> c.epoch >> c.model >> c.releaseDate) || !std::isfinite(c.epoch))
                fail("expected the epoch, the model's name and its release date, found '" + line +
                     "'");
            continue;
        }
        if (allNines(line)) {
            if (c.terms.empty()) fail("no coefficients before the end marker");
            return c;
        }
        Term t;
        std::string extra;
        if (!(fields >> t.n >> t.m >> t.g >> t.h >> t.gDot >> t.hDot) || (fields >> extra))
            fail("expected n m g h dg/dt dh/dt, found '" + line + "'");
        if (t.n < 1 || t.m < 0 || t.m > t.n || t.n > 100)
            fail("degree " + std::to_string(t.n) + " and order " + std::to_string(t.m) +
                 " do not make a term");
        c.degree = std::max(c.degree, t.n);
        c.terms.push_back(t);
    }
    if (number == 0) throw FieldModelError(source + ": the file is empty");
    ++number;
    fail("the end marker (a line of nines) is missing");
    return c;
}

void writeGeographicLibModel(const WmmCoefficients& c, const std::string& folder,
                             const std::string& name) {
    // Eight characters that tie the two files together.
    std::string id = c.model;
    id.erase(std::remove(id.begin(), id.end(), '-'), id.end());
    id = (id + "AAAAAAAA").substr(0, 8);

    const std::string meta = folder + "/" + name + ".wmm";
    std::ofstream text(meta, std::ios::trunc);
    text << std::setprecision(12);
    text << "WMMF-2\n"
         << "Name            " << name << "\n"
         << "Description     World Magnetic Model " << c.model.substr(c.model.find('-') + 1) << "\n"
         << "Publisher       NOAA National Centers for Environmental Information and the "
            "British Geological Survey\n"
         << "ReleaseDate     " << isoDate(c.releaseDate) << "\n"
         << "Radius          " << kReferenceRadius << "\n"
         << "NumModels       1\n"
         << "Epoch           " << c.epoch << "\n"
         << "DeltaEpoch      " << kYearsValid << "\n"
         << "MinTime         " << c.epoch << "\n"
         << "MaxTime         " << c.epoch + kYearsValid << "\n"
         << "MinHeight       " << kMinHeight << "\n"
         << "MaxHeight       " << kMaxHeight << "\n"
         << "Normalization   schmidt\n"
         << "ByteOrder       little\n"
         << "ID              " << id << "\n";
    text.close();
    if (!text) throw FieldModelError("cannot write " + meta);

    // The field at the epoch, then its yearly change, each as degree, order, cosine and sine
    // terms.
    const std::string cof = meta + ".cof";
    std::ofstream binary(cof, std::ios::binary | std::ios::trunc);
    binary.write(id.data(), 8);
    using T = WmmCoefficients::Term;
    for (auto [g, h] : {std::pair{&T::g, &T::h}, std::pair{&T::gDot, &T::hDot}}) {
        putInt(binary, c.degree);
        putInt(binary, c.degree);
        putDoubles(binary, columnMajor(c, g, 0));
        putDoubles(binary, columnMajor(c, h, 1));
    }
    binary.close();
    if (!binary) throw FieldModelError("cannot write " + cof);
}

}  // namespace heading
