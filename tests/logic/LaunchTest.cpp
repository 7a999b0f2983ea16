#include <gtest/gtest.h>

#include "MeterFixture.h"
#include "platform/InterfaceError.h"

namespace fluxprobe_test {
namespace {

TEST_F(MeterTest, LaunchPutsTheMeterInTheWindowBeforeShowingIt) {
    launch();
    auto window = delegate->window();
    ASSERT_TRUE(window);
    ASSERT_EQ(window->subviews().size(), 1u);
    EXPECT_EQ(window->subviews()[0], meter->view());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_TRUE(window->isVisible());

    // The window's record: the subview arrives before the window is shown.
    int subviewsAt = -1, shownAt = -1, i = 0;
    for (const auto& e : platform.shown()) {
        if (e.view == "window" && e.change == platform::ViewChange::Subviews && subviewsAt < 0)
            subviewsAt = i;
        if (e.view == "window" && e.change == platform::ViewChange::Hidden && e.value == "shown")
            shownAt = i;
        ++i;
    }
    EXPECT_GE(subviewsAt, 0);
    EXPECT_GT(shownAt, subviewsAt);
}

TEST_F(MeterTest, TeardownLetsGoOfScreenThenWindow) {
    launch();
    std::weak_ptr<platform::Window> window = delegate->window();
    std::weak_ptr<fieldmeter::FluxprobeViewController> screen = meter;
    meter.reset();
    delegate.reset();
    EXPECT_TRUE(screen.expired());
    EXPECT_TRUE(window.expired());
}

TEST_F(MeterTest, BrokenInterfaceFilesAreClearErrorsAtLoad) {
    struct Case {
        const char* remove;
        const char* expected;
    };
    const Case cases[] = {
        {"xLabel",
         "interface file 'MainWindow': outlet 'xLabel' of FluxprobeViewController is missing"},
        {"graphView", "outlet 'graphView'"},
        {"compassButton", "no control triggers action 'cargarbrujula'"},
    };
    for (const Case& c : cases) {
        platform::headless::HeadlessPlatform p;
        p.defineInterface("MainWindow", meterInterface().remove(c.remove));
        p.setMainInterface("AppDelegate", "FluxprobeViewController", "MainWindow");
        try {
            p.launch(app::interfaceClasses());
            ADD_FAILURE() << "no error for a missing " << c.remove;
        } catch (const platform::InterfaceError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
}

TEST_F(MeterTest, AnOutletOfTheWrongKindIsRefused) {
    platform::headless::HeadlessPlatform p;
    auto def = meterInterface().remove("mySlider");
    def.add({"mySlider", platform::OutletKind::Label, platform::makeRect(0, 0, 10, 10)});
    p.defineInterface("MainWindow", def);
    p.setMainInterface("AppDelegate", "FluxprobeViewController", "MainWindow");
    EXPECT_THROW(p.launch(app::interfaceClasses()), platform::InterfaceError);
}

TEST_F(MeterTest, UnknownClassesAndFilesAreClearErrors) {
    {
        platform::headless::HeadlessPlatform p;
        p.setMainInterface("AppDelegate", "FluxprobeViewController", "Nowhere");
        EXPECT_THROW(p.launch(app::interfaceClasses()), platform::InterfaceError);
    }
    {
        platform::headless::HeadlessPlatform p;
        p.defineInterface("MainWindow", meterInterface());
        p.setMainInterface("NoSuchDelegate", "FluxprobeViewController", "MainWindow");
        EXPECT_THROW(p.launch(app::interfaceClasses()), platform::InterfaceError);
    }
}

}  // namespace
}  // namespace fluxprobe_test
