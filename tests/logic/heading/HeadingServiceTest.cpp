#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "heading/HeadingService.h"
#include "platform/LocationManager.h"

namespace {

using heading::Heading;
using platform::LocationManager;

struct Listener : platform::LocationManagerDelegate {
    std::vector<double> seen;
    std::vector<int> errors;
    std::function<void()> onSample;
    void locationManagerDidUpdateHeading(LocationManager&,
                                         std::shared_ptr<const Heading> h) override {
        seen.push_back(h->x);
        if (onSample) onSample();
    }
    void locationManagerDidFailWithError(LocationManager&,
                                         const heading::LocationError& e) override {
        errors.push_back(e.code);
    }
};

Heading sample(double x) {
    Heading h;
    h.x = x;
    return h;
}

TEST(HeadingService, EveryStartedManagerGetsEverySampleInOrder) {
    heading::HeadingService service;
    auto a = std::make_shared<Listener>(), b = std::make_shared<Listener>();
    LocationManager ma(service), mb(service);
    ma.setHeadingFilter(heading::kHeadingFilterNone);
    mb.setHeadingFilter(heading::kHeadingFilterNone);
    ma.setDelegate(a);
    mb.setDelegate(b);
    ma.startUpdatingHeading();
    service.deliver(sample(1));
    mb.startUpdatingHeading();
    for (double x : {2.0, 3.0, 4.0}) service.deliver(sample(x));
    EXPECT_EQ(a->seen, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(b->seen, (std::vector<double>{2, 3, 4}));
    EXPECT_EQ(service.samplesDelivered(), 4u);
    EXPECT_EQ(service.deliveries(), 7u);
    service.fail({1, "denied"});
    EXPECT_EQ(a->errors, std::vector<int>{1});
    EXPECT_EQ(b->errors, std::vector<int>{1});
}

TEST(HeadingService, StoppedOrDestroyedManagersGetNothing) {
    heading::HeadingService service;
    auto a = std::make_shared<Listener>();
    {
        LocationManager m(service);
        m.setDelegate(a);
        m.startUpdatingHeading();
        m.stopUpdatingHeading();
        service.deliver(sample(1));
        m.startUpdatingHeading();
    }
    service.deliver(sample(2));
    EXPECT_TRUE(a->seen.empty());
    EXPECT_EQ(service.listenerCount(), 0u);
}

TEST(HeadingService, ADelegateThatHasGoneIsNotCalled) {
    heading::HeadingService service;
    LocationManager m(service);
    {
        auto a = std::make_shared<Listener>();
        m.setDelegate(a);
        m.startUpdatingHeading();
    }
    service.deliver(sample(1));  // must not touch the destroyed listener
    EXPECT_EQ(service.deliveries(), 1u);
}

TEST(HeadingService, ManagersMayComeAndGoDuringADelivery) {
    heading::HeadingService service;
    auto a = std::make_shared<Listener>(), b = std::make_shared<Listener>(),
         c = std::make_shared<Listener>();
    auto mb = std::make_unique<LocationManager>(service);
    auto mc = std::make_unique<LocationManager>(service);
    LocationManager ma(service);
    for (auto [m, l] : {std::pair{&ma, a}, {mb.get(), b}, {mc.get(), c}}) {
        m->setHeadingFilter(heading::kHeadingFilterNone);
        m->setDelegate(l);
    }
    ma.startUpdatingHeading();
    mb->startUpdatingHeading();
    std::unique_ptr<LocationManager> late;
    auto d = std::make_shared<Listener>();
    // The first listener destroys the second and starts a new one mid-delivery.
    a->onSample = [&] {
        if (mb) {
            mb.reset();
            late = std::make_unique<LocationManager>(service);
            late->setHeadingFilter(heading::kHeadingFilterNone);
            late->setDelegate(d);
            late->startUpdatingHeading();
        }
    };
    service.deliver(sample(1));
    service.deliver(sample(2));
    EXPECT_EQ(a->seen, (std::vector<double>{1, 2}));
    EXPECT_TRUE(b->seen.empty());
    EXPECT_EQ(d->seen, (std::vector<double>{2}));
    EXPECT_EQ(service.listenerCount(), 2u);
}

TEST(HeadingService, HeadingFilterDropsSmallChanges) {
    heading::HeadingService service;
    auto a = std::make_shared<Listener>();
    LocationManager m(service);
    m.setHeadingFilter(5.0);
    m.setDelegate(a);
    m.startUpdatingHeading();
    for (double h : {0.0, 3.0, 6.0, 358.0, 352.0}) {
        Heading s = sample(h);
        s.magneticHeading = h;
        service.deliver(s);
    }
    // 3 is too close to 0; 358 is 8 from 6 across north; 352 is 6 from 358.
    EXPECT_EQ(a->seen, (std::vector<double>{0, 6, 358, 352}));
}

}  // namespace
