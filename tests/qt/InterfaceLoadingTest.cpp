#include <QCheckBox>
#include <QFile>
#include <QGraphicsEffect>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "QtMeterFixture.h"
#include "compass/CompassViewController.h"
#include "platform/InterfaceError.h"
#include "platform/Label.h"
#include "platform/Switch.h"
#include "qt/widgets/PlotWidget.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/WidgetPeer.h"

namespace fluxprobe_qt_test {
namespace {

QByteArray bundledMainWindow() {
    QFile f(QStringLiteral(FLUXPROBE_RESOURCE_DIR "/MainWindow.ui"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& contents) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contents);
}

class InterfaceFilesTest : public QtMeterTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        settings.uiDir = folder.path();
    }
    // The message of the InterfaceError that launching gives, or "" when it launches.
    std::string launchError() {
        try {
            launch();
        } catch (const platform::InterfaceError& e) {
            return e.what();
        }
        return "";
    }
    QTemporaryDir folder;
};

TEST_F(InterfaceFilesTest, ABrokenMainFileIsAClearErrorNamingFileAndOutlet) {
    struct Case {
        const char* what;
        QByteArray from, to;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"missing outlet",
         "name=\"xLabel\"",
         "name=\"xLabelGone\"",
         {"interface file 'MainWindow'", "outlet 'xLabel' of FluxprobeViewController is missing"}},
        {"wrong kind",
         "<widget class=\"QSlider\" name=\"mySlider\">",
         "<widget class=\"QLabel\" name=\"mySlider\">",
         {"interface file 'MainWindow'", "outlet 'mySlider'", "must be a slider, found a QLabel"}},
        {"graph host not a plain widget",
         "<widget class=\"PlotWidget\" name=\"graphView\">",
         "<widget class=\"QFrame\" name=\"graphView\">",
         {"outlet 'graphView'", "custom view container"}},
        {"action nobody triggers",
         "<string>cargarbrujula</string>",
         "<string></string>",
         {"interface file 'MainWindow'", "no control triggers action 'cargarbrujula'"}},
        {"action the screen lacks",
         "<string>cargarbrujula</string>",
         "<string>abrir</string>",
         {"control 'compassButton' triggers 'abrir'"}},
        {"no screen class",
         "<string>FluxprobeViewController</string>",
         "<string></string>",
         {"interface file 'MainWindow'", "controllerClass"}},
        {"not XML", "</ui>", "</wrong>", {"interface file 'MainWindow'", "MainWindow.ui:"}},
    };
    const QByteArray good = bundledMainWindow();
    for (const Case& c : cases) {
        QByteArray ui = good;
        ASSERT_TRUE(ui.contains(c.from)) << c.what;
        ui.replace(c.from, c.to);
        writeFile(folder.filePath("MainWindow.ui"), ui);
        const std::string error = launchError();
        for (const std::string& part : c.expected)
            EXPECT_NE(error.find(part), std::string::npos) << c.what << ": '" << error << "'";
        TearDown();
    }
}

TEST_F(InterfaceFilesTest, AMissingMainFileIsAClearError) {
    const std::string error = launchError();
    EXPECT_NE(error.find("interface file 'MainWindow': not found"), std::string::npos) << error;
}

TEST_F(InterfaceFilesTest, TheUnchangedFileLoadsFromAnotherFolder) {
    writeFile(folder.filePath("MainWindow.ui"), bundledMainWindow());
    EXPECT_EQ(launchError(), "");
    EXPECT_TRUE(window->isVisible());
}

// A graph's place given as a plain widget gets a plot of its own inside, which is the screen's
// like any other: with no heading source it too shows its scale only.
TEST_F(InterfaceFilesTest, APlotMadeInsideAPlainGraphPlaceKnowsThereIsNoData) {
    const QByteArray plot = "<widget class=\"PlotWidget\" name=\"graphView\">";
    QByteArray ui = bundledMainWindow();
    ASSERT_TRUE(ui.contains(plot));
    ui.replace(plot, "<widget class=\"QWidget\" name=\"graphView\">");
    writeFile(folder.filePath("MainWindow.ui"), ui);
    launch(/*magnetometer=*/false);
    auto* host = widget<platform::qt::PlotWidget>("graphViewHost");
    ASSERT_NE(host, nullptr);
    EXPECT_TRUE(host->showsNoData());
}

// Outlets added since the interface was first specified are optional: a compass file without
// the unit's label still opens, its other outlets bound.
TEST_F(InterfaceFilesTest, AFileWithOnlyTheFirstOutletsStillLoads) {
    writeFile(folder.filePath("MainWindow.ui"), bundledMainWindow());
    QFile bundled(QStringLiteral(FLUXPROBE_RESOURCE_DIR "/CompassViewController.ui"));
    ASSERT_TRUE(bundled.open(QIODevice::ReadOnly));
    QByteArray compass = bundled.readAll();
    ASSERT_TRUE(compass.contains("name=\"unitLabel\""));
    compass.replace("name=\"unitLabel\"", "name=\"unitCaption\"");
    writeFile(folder.filePath("CompassViewController.ui"), compass);
    ASSERT_EQ(launchError(), "");
    widget<QPushButton>("compassButton")->click();
    auto screen =
        std::dynamic_pointer_cast<compass::CompassViewController>(meter->modalViewController());
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(screen->hd(), nullptr);
    deliver(0, 30, 40);
    EXPECT_EQ(screen->hd()->text(), "0.0\u00b0");
    EXPECT_EQ(screen->xLabel()->text(), "0.0");
}

// A small screen of the tests' own: a label, a button and a switch.
class TestScreen : public platform::ViewController {
  public:
    using ViewController::ViewController;
    const char* className() const override { return "TestScreen"; }
    std::vector<platform::Outlet> outlets() override {
        return {platform::makeOutlet<platform::Label>("readout", [this](auto v) { readout = v; }),
                platform::makeOutlet<platform::Switch>("toggle", [this](auto v) { toggle = v; })};
    }
    std::vector<platform::Action> actions() override {
        return {platform::makeAction<TestScreen>("press", &TestScreen::press),
                platform::makeAction<TestScreen>("flip", &TestScreen::flip)};
    }
    void press(platform::View* sender) {
        ++presses;
        lastSender = sender;
    }
    void flip(platform::View*) { onWhenFlipped.push_back(toggle->isOn()); }

    std::shared_ptr<platform::Label> readout;
    std::shared_ptr<platform::Switch> toggle;
    int presses = 0;
    platform::View* lastSender = nullptr;
    std::vector<bool> onWhenFlipped;
};

const char* const kTestScreenUi = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>TestScreen</class>
 <widget class="QWidget" name="TestScreen">
  <property name="geometry"><rect><x>0</x><y>0</y><width>200</width><height>100</height></rect></property>
  <layout class="QVBoxLayout" name="l">
   <item><widget class="QLabel" name="readout"><property name="text"><string>start</string></property></widget></item>
   <item><widget class="QPushButton" name="pressButton"><property name="text"><string>Press</string></property>
     <property name="action" stdset="0"><string>press</string></property></widget></item>
   <item><widget class="QCheckBox" name="toggle"><property name="action" stdset="0"><string>flip</string></property></widget></item>
  </layout>
 </widget>
</ui>
)";

TEST_F(InterfaceFilesTest, ControlsReachTheirScreenOnlyWhileItLives) {
    writeFile(folder.filePath("MainWindow.ui"), bundledMainWindow());
    writeFile(folder.filePath("TestScreen.ui"), kTestScreenUi);
    launch();
    auto screen = std::make_shared<TestScreen>("TestScreen");
    auto root = screen->view();
    EXPECT_EQ(screen->readout->text(), "start");
    QWidget* rootWidget = root ? platform::qt::WidgetPeer::widgetOf(root.get()) : nullptr;
    ASSERT_NE(rootWidget, nullptr);
    auto* button = rootWidget->findChild<QPushButton*>("pressButton");
    auto* toggle = rootWidget->findChild<QCheckBox*>("toggle");
    ASSERT_TRUE(button && toggle);

    button->click();
    EXPECT_EQ(screen->presses, 1);
    ASSERT_NE(screen->lastSender, nullptr);
    EXPECT_EQ(screen->lastSender->name(), "pressButton");
    toggle->click();
    toggle->click();
    EXPECT_EQ(screen->onWhenFlipped, (std::vector<bool>{true, false}));
    screen->readout->setText("changed");
    EXPECT_EQ(rootWidget->findChild<QLabel*>("readout")->text(), "changed");

    // The screen goes; its widgets linger until the loop deletes them, and are inert meanwhile.
    std::weak_ptr<TestScreen> gone = screen;
    QPointer<QPushButton> lingering(button);
    root.reset();
    screen.reset();
    EXPECT_TRUE(gone.expired());
    ASSERT_FALSE(lingering.isNull());
    lingering->click();  // must not reach the destroyed screen
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(lingering.isNull());
}

TEST_F(InterfaceFilesTest, APresentedScreenFadesInOverThePresenterAndGoesAfterFadingOut) {
    writeFile(folder.filePath("MainWindow.ui"), bundledMainWindow());
    writeFile(folder.filePath("TestScreen.ui"), kTestScreenUi);
    launch();
    auto presented = std::make_shared<TestScreen>("TestScreen");
    std::weak_ptr<TestScreen> weak = presented;
    meter->presentModalViewController(presented, true);
    presented.reset();
    ASSERT_FALSE(weak.expired());  // the presentation holds it

    QWidget* under = widget<QWidget>("FluxprobeViewController");
    QPointer<QWidget> over = platform::qt::WidgetPeer::widgetOf(weak.lock()->view().get());
    ASSERT_FALSE(over.isNull());
    EXPECT_EQ(over->parentWidget(), under);
    EXPECT_EQ(over->geometry(), under->rect());
    EXPECT_TRUE(over->isVisible());
    EXPECT_NE(over->graphicsEffect(), nullptr);  // fading in
    EXPECT_TRUE(QTest::qWaitFor([&] { return over->graphicsEffect() == nullptr; }, 3000));

    window->resize(400, 600);
    settle();
    EXPECT_EQ(over->geometry(), under->rect());  // keeps covering the presenter

    meter->dismissModalViewControllerAnimated(true);
    EXPECT_FALSE(weak.expired());  // still fading out
    EXPECT_TRUE(QTest::qWaitFor([&] { return weak.expired(); }, 3000));
    EXPECT_EQ(meter->modalViewController(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(over.isNull());

    // Without animation it goes at once.
    meter->presentModalViewController(std::make_shared<TestScreen>("TestScreen"), false);
    weak = std::static_pointer_cast<TestScreen>(meter->modalViewController());
    meter->dismissModalViewControllerAnimated(false);
    EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace fluxprobe_qt_test
