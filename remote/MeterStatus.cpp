#include "remote/MeterStatus.h"

namespace remote {

std::string statusJson(const MeterStatus& s) {
    const auto flag = [](bool b) { return b ? "true" : "false"; };
    // signal and units come from fixed sets of plain words: nothing to escape.
    return "{\"signal\":\"" + s.signal + "\",\"samples\":" + std::to_string(s.samples) +
           ",\"held\":" + flag(s.held) + ",\"relative\":" + flag(s.relative) + ",\"units\":\"" +
           s.units + "\",\"recording\":" + flag(s.recording) + "}";
}

}  // namespace remote
