#include "heading/calibration/CalibrationFile.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <optional>
#include <vector>

#include "heading/BoundedFile.h"
#include "heading/Numbers.h"

namespace heading::calibration {

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

class Parser {
  public:
    explicit Parser(std::string name) : name_(std::move(name)) {}

    [[noreturn]] void fail(const std::string& why) const {
        throw CalibrationError(name_ + ":" + std::to_string(line_) + ": " + why);
    }

    void setLine(std::size_t line) { line_ = line; }

    std::vector<double> numbers(std::string_view key, const std::vector<std::string_view>& w,
                                std::size_t count) const {
        if (w.size() - 1 != count)
            fail(std::string(key) + " needs " + std::to_string(count) + " numbers, found " +
                 std::to_string(w.size() - 1));
        std::vector<double> values;
        for (std::size_t i = 1; i < w.size(); ++i) {
            const auto v = parseNumber(w[i]);
            if (!v) fail(std::string(key) + ": '" + printable(w[i]) + "' is not a number");
            if (!std::isfinite(*v))
                fail(std::string(key) + ": " + printable(w[i]) + " is not a finite number");
            values.push_back(*v);
        }
        return values;
    }

  private:
    std::string name_;
    std::size_t line_ = 0;
};

}  // namespace

std::string formatCalibration(const Calibration& c, const std::string& sensor) {
    std::string text(kCalibrationHeader);
    text += "\n# corrected field = matrix x (raw - offset), in microtesla\n";
    if (!sensor.empty()) text.append("sensor ").append(sensor).append("\n");
    auto entry = [&text](const char* key, std::initializer_list<double> values) {
        text += key;
        for (double v : values) text.append(" ").append(number(v));
        text += '\n';
    };
    const auto& m = c.matrix;
    entry("offset", {c.offset.x, c.offset.y, c.offset.z});
    entry("matrix", {m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]});
    entry("radius", {c.quality.radius});
    entry("residual", {c.quality.residualPercent});
    entry("coverage", {c.quality.coveragePercent});
    text.append("fit ").append(kindName(c.quality.kind)).append("\n");
    return text;
}

Calibration parseCalibration(std::string_view text, const std::string& name) {
    Parser parser(name);
    Calibration c;
    bool header = false;
    std::map<std::string, std::size_t, std::less<>> seen;  // key, line
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        parser.setLine(lineNumber);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trimSpaces(line);
        if (!header) {
            if (line != kCalibrationHeader)
                parser.fail("expected the first line '" + std::string(kCalibrationHeader) +
                            "', found '" + printable(line) + "'");
            header = true;
            continue;
        }
        if (line.empty() || line.front() == '#') continue;
        const auto w = words(line);
        const std::string_view key = w.front();
        if (key == "offset") {
            const auto v = parser.numbers(key, w, 3);
            c.offset = {v[0], v[1], v[2]};
        } else if (key == "matrix") {
            const auto v = parser.numbers(key, w, 9);
            std::copy(v.begin(), v.end(), c.matrix.begin());
        } else if (key == "radius") {
            c.quality.radius = parser.numbers(key, w, 1)[0];
        } else if (key == "residual") {
            c.quality.residualPercent = parser.numbers(key, w, 1)[0];
        } else if (key == "coverage") {
            c.quality.coveragePercent = parser.numbers(key, w, 1)[0];
        } else if (key == "fit") {
            if (w.size() != 2 || (w[1] != "ellipsoid" && w[1] != "sphere"))
                parser.fail("fit must be ellipsoid or sphere");
            c.quality.kind = w[1] == "sphere" ? FitKind::Sphere : FitKind::Ellipsoid;
        } else if (key != "sensor") {
            parser.fail("unknown entry '" + printable(key) + "'");
        }
        // Which of two would win is anyone's guess; the file is refused instead.
        if (const auto [at, first] = seen.emplace(std::string(key), lineNumber); !first)
            parser.fail(std::string(key) + " is given twice (first on line " +
                        std::to_string(at->second) + ")");
    }
    if (!header)
        throw CalibrationError(name + ": the file is empty; expected the first line '" +
                               std::string(kCalibrationHeader) + "'");
    if (!seen.contains("offset")) throw CalibrationError(name + ": no offset line");
    if (!seen.contains("matrix")) throw CalibrationError(name + ": no matrix line");
    if (auto problem = c.problem()) {
        parser.setLine(
            seen.find(problem->where == MatrixProblem::Where::Offset ? "offset" : "matrix")
                ->second);
        parser.fail(problem->text);
    }
    return c;
}

Calibration readCalibrationFile(const std::string& path) {
    BoundedFile file = readBoundedFile(path, kMaxCalibrationBytes);
    switch (file.problem) {
        case BoundedFile::Problem::None:
            return parseCalibration(file.bytes, path);
        case BoundedFile::Problem::Open:
            throw CalibrationError("cannot open calibration file " + path + ": " +
                                   std::strerror(file.error));
        case BoundedFile::Problem::Read:
            break;
        case BoundedFile::Problem::NotRegular:
            throw CalibrationError("calibration file " + path + " is not a regular file");
        case BoundedFile::Problem::TooLarge:
            throw CalibrationError("calibration file " + path + " is larger than " +
                                   std::to_string(kMaxCalibrationBytes / 1024) +
                                   " KiB; a calibration file is a few hundred bytes");
    }
    throw CalibrationError("cannot read calibration file " + path + ": " +
                           std::strerror(file.error));
}

void writeCalibrationFile(const std::string& path, const Calibration& calibration,
                          const std::string& sensor, Existing existing) {
    const auto exists = [&] {
        return CalibrationError("calibration file " + path +
                                " already exists; it is not overwritten");
    };
    if (existing == Existing::Refuse && ::access(path.c_str(), F_OK) == 0) throw exists();
    removeStaleTemporaries(path);
    const int error = writeFileAtomically(path, formatCalibration(calibration, sensor), existing);
    if (error == EEXIST) throw exists();
    if (error != 0)
        throw CalibrationError("cannot write calibration file " + path + ": " +
                               std::strerror(error));
}

}  // namespace heading::calibration
