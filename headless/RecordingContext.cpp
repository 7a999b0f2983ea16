#include "headless/RecordingContext.h"

#include <cstdio>

namespace platform::headless {

const char* drawOpName(DrawOp::Kind kind) {
    switch (kind) {
        case DrawOp::SaveGState:
            return "saveGState";
        case DrawOp::RestoreGState:
            return "restoreGState";
        case DrawOp::SetLineWidth:
            return "setLineWidth";
        case DrawOp::SetGrayStrokeColor:
            return "setGrayStrokeColor";
        case DrawOp::SetRGBStrokeColor:
            return "setRGBStrokeColor";
        case DrawOp::BeginPath:
            return "beginPath";
        case DrawOp::MoveToPoint:
            return "moveToPoint";
        case DrawOp::AddLineToPoint:
            return "addLineToPoint";
        case DrawOp::StrokePath:
            return "strokePath";
        case DrawOp::SetAllowsAntialiasing:
            return "setAllowsAntialiasing";
    }
    return "?";
}

std::string describe(const DrawOp& op) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s(%.9g, %.9g, %.9g, %.9g, %d)", drawOpName(op.kind),
                  static_cast<double>(op.args[0]), static_cast<double>(op.args[1]),
                  static_cast<double>(op.args[2]), static_cast<double>(op.args[3]), op.flag);
    return buf;
}

}  // namespace platform::headless
