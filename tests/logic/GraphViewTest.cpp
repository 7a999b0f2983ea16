#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graph/GraphView.h"
#include "headless/HeadlessPlatform.h"
#include "headless/RecordingContext.h"

namespace {

using graph::GraphView;
using platform::makeRect;
using platform::headless::DrawOp;
using platform::headless::RecordingContext;

// Bit-for-bit float comparison: the plot geometry is fixed to the last bit.
bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::vector<DrawOp> drawn(GraphView& view, float w, float h) {
    view.platformSetGeometry({w / 2, h / 2}, {w, h});
    RecordingContext context;
    view.display(context);
    return context.ops();
}

std::vector<float> gridYs(float oy, float h) {
    GraphView view;
    RecordingContext context;
    view.drawGraphInContext(context, makeRect(0, oy, 100, h));
    std::vector<float> ys;
    for (const DrawOp& op : context.ops())
        if (op.kind == DrawOp::MoveToPoint) ys.push_back(op.args[1]);
    return ys;
}

TEST(GraphView, RingKeepsTheLast150Samples) {
    GraphView view;
    EXPECT_EQ(view.nextIndex(), 0u);
    view.updateHistoryWithX(10, -20, 30);
    EXPECT_EQ(view.nextIndex(), 1u);
    EXPECT_EQ(view.history(0, 0), 10);
    EXPECT_EQ(view.history(0, 1), -20);
    EXPECT_EQ(view.history(0, 2), 30);
    for (int i = 1; i < 150; ++i) view.updateHistoryWithX(i, i, i);
    EXPECT_EQ(view.nextIndex(), 0u);
    EXPECT_EQ(view.history(0, 0), 10);
    view.updateHistoryWithX(151, 151, 151);
    EXPECT_EQ(view.nextIndex(), 1u);
    EXPECT_EQ(view.history(0, 0), 151);
    EXPECT_EQ(view.history(149, 2), 149);
}

TEST(GraphView, GridLinesSitOnHalfPixels) {
    struct Case {
        float oy, h;
        std::vector<float> ys;  // eight grid lines, then the centre line
    };
    const Case cases[] = {
        {0, 120, {12.5f, 24.5f, 36.5f, 48.5f, 72.5f, 84.5f, 96.5f, 108.5f, 60.5f}},
        {0, 101, {10.5f, 20.5f, 30.5f, 40.5f, 61.5f, 71.5f, 81.5f, 91.5f, 51.5f}},
        {0, 5, {1.5f, 1.5f, 2.5f, 2.5f, 3.5f, 4.5f, 4.5f, 5.5f, 3.5f}},  // roundf(2.5) is 3
        {10, 120, {22.5f, 34.5f, 46.5f, 58.5f, 82.5f, 94.5f, 106.5f, 118.5f, 70.5f}},
    };
    for (const Case& c : cases) EXPECT_EQ(gridYs(c.oy, c.h), c.ys) << "H=" << c.h;
}

TEST(GraphView, TracePointsMatchTheWorkedValuesBitForBit) {
    GraphView view;
    // Fill so that row i holds the value under test at trace position i.
    const double values[] = {0, 64, -12.8, 128, -128, 256};
    const float expectedY[] = {60.0f, 30.0f, 66.0f, 0.0f, 120.0f, -60.0f};
    for (int i = 0; i < 150; ++i) {
        const double v = i < 6 ? values[i] : 0.0;
        view.updateHistoryWithX(v, v, v);
    }
    RecordingContext context;
    view.drawHistory(0, view.nextIndex(), context, makeRect(0, 0, 298, 120));
    std::vector<DrawOp> points;
    for (const DrawOp& op : context.ops())
        if (op.kind == DrawOp::MoveToPoint || op.kind == DrawOp::AddLineToPoint)
            points.push_back(op);
    ASSERT_EQ(points.size(), 150u);
    EXPECT_EQ(points[0].kind, DrawOp::MoveToPoint);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(sameBits(points[i].args[1], expectedY[i])) << i << ": " << points[i].args[1];
    const struct {
        int i;
        float x;
    } xs[] = {{0, 0.0f}, {1, 2.0f}, {3, 5.9999995f}, {75, 150.0f}, {149, 298.0f}};
    for (auto c : xs) EXPECT_TRUE(sameBits(points[c.i].args[0], c.x)) << c.i;
    EXPECT_NE(points[3].args[0], 6.0f);
}

TEST(GraphView, OneAppendIsTheLastPointOfEachTrace) {
    GraphView view;
    view.updateHistoryWithX(10, -20, 30);
    auto ops = drawn(view, 298, 120);
    std::vector<float> lastY;
    for (size_t i = 0; i < ops.size(); ++i)
        if (ops[i].kind == DrawOp::AddLineToPoint && i + 1 < ops.size() &&
            ops[i + 1].kind == DrawOp::SaveGState)
            lastY.push_back(ops[i].args[1]);
    ASSERT_EQ(lastY.size(), 3u);
    EXPECT_TRUE(sameBits(lastY[0], 55.3125f));
    EXPECT_TRUE(sameBits(lastY[1], 69.375f));
    EXPECT_TRUE(sameBits(lastY[2], 45.9375f));
}

TEST(GraphView, OneRedrawIssuesTheWholeOperationSequence) {
    GraphView view;
    const auto ops = drawn(view, 298, 120);
    std::vector<DrawOp> expected = {
        {DrawOp::SaveGState},
        {DrawOp::SetLineWidth, {1.0f}},
        {DrawOp::SetGrayStrokeColor, {0.6f, 1.0f}},
        {DrawOp::BeginPath},
    };
    for (float y : {12.5f, 24.5f, 36.5f, 48.5f, 72.5f, 84.5f, 96.5f, 108.5f}) {
        expected.push_back({DrawOp::MoveToPoint, {0.0f, y}});
        expected.push_back({DrawOp::AddLineToPoint, {298.0f, y}});
    }
    expected.push_back({DrawOp::StrokePath});
    expected.push_back({DrawOp::SetGrayStrokeColor, {0.25f, 1.0f}});
    expected.push_back({DrawOp::BeginPath});
    expected.push_back({DrawOp::MoveToPoint, {0.0f, 60.5f}});
    expected.push_back({DrawOp::AddLineToPoint, {298.0f, 60.5f}});
    expected.push_back({DrawOp::StrokePath});
    expected.push_back({DrawOp::RestoreGState});
    DrawOp aaOff{DrawOp::SetAllowsAntialiasing};
    expected.push_back(aaOff);
    const float colours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const auto& colour : colours) {
        expected.push_back({DrawOp::BeginPath});
        for (unsigned i = 0; i < 150; ++i) {
            const float x = (static_cast<float>(i) / 149.0f) * 298.0f;
            expected.push_back({i == 0 ? DrawOp::MoveToPoint : DrawOp::AddLineToPoint, {x, 60.0f}});
        }
        expected.push_back({DrawOp::SaveGState});
        expected.push_back({DrawOp::SetRGBStrokeColor, {colour[0], colour[1], colour[2], 1.0f}});
        expected.push_back({DrawOp::SetLineWidth, {2.0f}});
        expected.push_back({DrawOp::StrokePath});
        expected.push_back({DrawOp::RestoreGState});
    }
    DrawOp aaOn{DrawOp::SetAllowsAntialiasing};
    aaOn.flag = true;
    expected.push_back(aaOn);

    ASSERT_EQ(ops.size(), expected.size());
    for (size_t i = 0; i < ops.size(); ++i)
        ASSERT_EQ(ops[i], expected[i]) << i << ": " << platform::headless::describe(ops[i]);
}

TEST(GraphView, RedrawRequestsMergeUntilTheNextDraw) {
    platform::headless::HeadlessPlatform platform;
    auto view = std::make_shared<GraphView>();
    view->platformSetGeometry({149, 60}, {298, 120});
    struct Peer : platform::ViewPeer {
        platform::headless::HeadlessPlatform* p;
        void viewChanged(platform::View& v, platform::ViewChange c) override { p->record(v, c); }
    };
    auto peer = std::make_shared<Peer>();
    peer->p = &platform;
    view->setPeer(peer);
    for (int i = 0; i < 10; ++i) view->updateHistoryWithX(i, i, i);
    EXPECT_EQ(platform.redrawRequests(), 1);
    EXPECT_EQ(platform.runRedraws(), 1);
    EXPECT_EQ(platform.runRedraws(), 0);
    view->updateHistoryWithX(1, 1, 1);
    EXPECT_EQ(platform.redrawRequests(), 2);
    EXPECT_EQ(platform.runRedraws(), 1);
}

TEST(GraphView, StartRowIsTakenModulo150) {
    GraphView view;
    for (int i = 0; i < 150; ++i) view.updateHistoryWithX(i, 0, 0);
    RecordingContext a, b;
    view.drawHistory(0, 7, a, makeRect(0, 0, 298, 120));
    view.drawHistory(0, 7 + 150 * 3, b, makeRect(0, 0, 298, 120));
    EXPECT_EQ(a.ops(), b.ops());
}

}  // namespace

// Each trace's band holds every point the trace draws, a stroke's reach beyond, within the plot;
// a trace towards a point that is not finite could go anywhere.
TEST(GraphView, ChangingAreasHoldEveryTracePointOrTheWholeView) {
    struct Case {
        const char* what;
        double x, y, z;
        bool whole;
    };
    for (const Case& c : {Case{"still", 10.0, -20.0, 40.0, false},
                          Case{"beyond the scale", 500.0, -500.0, 0.0, false},
                          Case{"not a number", std::nan(""), 0.0, 0.0, true},
                          Case{"too large for a float", 1e300, 0.0, 0.0, true}}) {
        GraphView view;
        view.platformSetGeometry({160, 60}, {320, 120});
        for (int i = 0; i < 150; ++i) view.updateHistoryWithX(c.x + (i % 3), c.y - (i % 5), c.z);
        const auto areas = view.changingAreas();
        if (c.whole) {
            EXPECT_TRUE(areas.empty()) << c.what;
            continue;
        }
        ASSERT_FALSE(areas.empty()) << c.what;
        RecordingContext context;
        for (std::uint32_t axis = 0; axis < 3; ++axis)
            view.drawHistory(axis, view.nextIndex(), context, view.bounds());
        for (const DrawOp& op : context.ops()) {
            if (op.kind != DrawOp::AddLineToPoint && op.kind != DrawOp::MoveToPoint) continue;
            const float y = std::clamp(op.args[1], 0.0f, 120.0f);
            bool inside = false;
            for (const auto& a : areas) {
                EXPECT_GE(a.origin.y, 0.0f) << c.what;
                EXPECT_LE(a.origin.y + a.size.height, 120.0f) << c.what;
                inside |= (y - 1.0f >= a.origin.y || y - 1.0f <= 0.0f) &&
                          (y + 1.0f <= a.origin.y + a.size.height || y + 1.0f >= 120.0f);
            }
            EXPECT_TRUE(inside) << c.what << " y " << y;
        }
    }
}
