#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <vector>

#include "FakePositionSource.h"
#include "qt/positioning/PositionWatcher.h"

namespace {

using platform::qt::PositionWatcher;
using State = PositionWatcher::State;
using fluxprobe_qt_test::FakeSource;

struct Watched {
    explicit Watched(int firstAnswerMs = 10000) {
        auto owned = std::make_unique<FakeSource>();
        source = owned.get();
        watcher = std::make_unique<PositionWatcher>(
            std::move(owned), [this](const heading::Location& l) { reported.push_back(l); },
            firstAnswerMs);
        watcher->start();
    }
    FakeSource* source;
    std::unique_ptr<PositionWatcher> watcher;
    std::vector<heading::Location> reported;
};

TEST(PositionWatcher, AsksOnceThenReportsOnlyMovesOfMoreThanTenKilometres) {
    Watched w;
    EXPECT_EQ(w.source->requests, std::vector<int>{10000});
    EXPECT_EQ(w.watcher->state(), State::Waiting);
    w.source->tell(52.52, 13.40);
    ASSERT_EQ(w.reported.size(), 1u);
    EXPECT_EQ(w.reported[0].latitude, 52.52);
    EXPECT_EQ(w.reported[0].longitude, 13.40);
    EXPECT_EQ(w.reported[0].altitude, 0.0);  // a fix without height
    EXPECT_EQ(w.watcher->state(), State::Located);
    EXPECT_EQ(w.source->starts, 1);  // listens on for moves

    w.source->tell(52.60, 13.40);  // about 8.9 km north
    EXPECT_EQ(w.reported.size(), 1u);
    w.source->tell(52.62, 13.40);  // 11.1 km from the place reported
    ASSERT_EQ(w.reported.size(), 2u);
    EXPECT_EQ(w.reported[1].latitude, 52.62);
    w.source->tell(52.55, 13.40);  // 7.8 km back: measured from the last report
    EXPECT_EQ(w.reported.size(), 2u);
    EXPECT_EQ(w.source->starts, 1);
}

TEST(PositionWatcher, ARefusalIsFinal) {
    Watched w;
    w.source->refuse();
    EXPECT_EQ(w.watcher->state(), State::Refused);
    w.source->tell(52.52, 13.40);
    EXPECT_TRUE(w.reported.empty());
    EXPECT_EQ(w.source->starts, 0);
}

TEST(PositionWatcher, ATimeoutGivesUpWaitingButAFixThatComesLaterStillCounts) {
    Watched w(20);
    QTRY_COMPARE_WITH_TIMEOUT(w.watcher->state(), State::TimedOut, 2000);
    EXPECT_TRUE(w.reported.empty());
    EXPECT_EQ(w.source->starts, 1);
    w.source->tell(-33.87, 151.21);
    EXPECT_EQ(w.reported.size(), 1u);
    EXPECT_EQ(w.watcher->state(), State::Located);
}

TEST(PositionWatcher, NoServiceIsNoLocation) {
    std::vector<heading::Location> reported;
    PositionWatcher watcher(nullptr, [&](const heading::Location& l) { reported.push_back(l); });
    watcher.start();
    EXPECT_EQ(watcher.state(), State::Unavailable);
    EXPECT_TRUE(reported.empty());
}

}  // namespace
