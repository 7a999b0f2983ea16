#include "heading/calibration/CalibrationStore.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "heading/calibration/CalibrationFile.h"

namespace heading::calibration {

namespace {

std::string configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config";
    return {};
}

}  // namespace

std::string storedCalibrationPath(const std::string& sensor) {
    const std::string base = configHome();
    if (base.empty() || sensor.empty()) return {};
    return base + "/fluxprobe/calibration/" + sensor + ".conf";
}

std::string prepareStoredCalibrationPath(const std::string& sensor) {
    const std::string path = storedCalibrationPath(sensor);
    if (path.empty())
        throw CalibrationError(
            "no place to store the calibration: neither XDG_CONFIG_HOME nor "
            "HOME is set");
    std::error_code ec;
    const auto dir = std::filesystem::path(path).parent_path();
    std::filesystem::create_directories(dir, ec);
    if (ec) throw CalibrationError("cannot make the folder " + dir.string() + ": " + ec.message());
    return path;
}

}  // namespace heading::calibration
