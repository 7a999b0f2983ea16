#include "qt/QtPlatform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>

#include "instrument/Alarm.h"
#include "platform/InterfaceError.h"
#include "platform/ViewController.h"
#include "platform/Window.h"
#include "qt/DataFiles.h"
#include "qt/EndLoopOnException.h"
#include "qt/Fade.h"
#include "qt/PlatformNotes.h"
#include "qt/QtTimer.h"
#include "qt/ScreenSaverInhibitor.h"
#include "qt/interface/InterfaceBinder.h"
#include "qt/interface/UserAction.h"
#include "qt/interface/WindowParts.h"
#include "qt/sound/QtSound.h"
#include "qt/widgets/AlertBox.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/KeyboardAccess.h"
#include "qt/widgets/NoSensorHint.h"
#include "qt/widgets/PlotWidget.h"
#include "qt/widgets/ScreenScaler.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/SignalStatus.h"
#include "qt/widgets/ThresholdLabel.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {

// The line and its newline under stderr's lock, so that a warning from a reader thread cannot
// fall between them. When the line goes out is stderr's buffering: the program hands its lines
// over once per turn of the event loop (NonBlockingLog).
void writeLine(std::string_view line) {
    flockfile(stderr);
    fwrite_unlocked(line.data(), 1, line.size(), stderr);
    putc_unlocked('\n', stderr);
    funlockfile(stderr);
}

}  // namespace

namespace {

// Without a heading source nothing is ever measured: plots show their scale only.
void showNoData(QWidget* root) {
    for (PlotWidget* host : WindowParts::of(root).widgets<PlotWidget>()) host->setShowsNoData(true);
    NoSensorHint::addTo(root);
}

// What the platform brings to a freshly bound screen of its own accord: keyboard use, and
// growing with the window, last, so that the design it keeps includes everything else.
void addScreenExtras(QWidget* root) {
    KeyboardAccess::attach(root);
    ScreenScaler::attach(root);
}

}  // namespace

QtPlatform::QtPlatform(heading::HeadingService& service, QtPlatformSettings settings)
    : service_(service),
      settings_(std::move(settings)),
      files_(settings_.uiDir),
      context_(std::make_unique<QObject>()),
      inhibitor_(std::make_unique<ScreenSaverInhibitor>()),
      ownSignal_(settings_.signal ? nullptr : std::make_unique<heading::SignalWatch>(service)),
      signal_(settings_.signal ? settings_.signal : ownSignal_.get()) {
    // A clean run prints only what fluxprobe means to say.
    dropPlatformNotes();
    // The readout font the screens ask for, on the seven-segment face Debian ships.
    QFont::insertSubstitution(QStringLiteral("DBLCDTempBlack"), QStringLiteral("DSEG7 Classic"));
    if (qApp) QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/fluxprobe.svg")));
}

QtPlatform::~QtPlatform() {
    signalStatus_.reset();
    for (auto& timer : timers_) timer->invalidate();
    timers_.clear();
}

void QtPlatform::post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        context_.get(),
        [task = std::move(task)] {
            endLoopOnException(task);
            if (FrameClock* clock = FrameClock::current()) clock->flushIfDue();
        },
        Qt::QueuedConnection);
}

long QtPlatform::paintsOf(const View& view) {
    auto* host = qobject_cast<PlotWidget*>(WidgetPeer::widgetOf(&view));
    return host ? host->paints() : 0;
}

MainInterface QtPlatform::loadMainInterface() {
    const std::string& nib = settings_.mainInterface;
    const QByteArray ui = files_.read(nib);
    const QString controllerClass =
        InterfaceFiles::topLevelProperty(ui, QStringLiteral("controllerClass"));
    std::unique_ptr<QWidget> top = files_.build(nib, ui, {controllerClass});

    MainInterface main;
    main.delegateClass = top->property("delegateClass").toString().toStdString();
    main.controllerClass = controllerClass.toStdString();
    main.controllerNib = nib;
    if (main.delegateClass.empty())
        throw InterfaceError("interface file '" + nib +
                             "': the window has no 'delegateClass' property");
    if (main.controllerClass.empty())
        throw InterfaceError("interface file '" + nib +
                             "': the window has no 'controllerClass' property");

    if (top->windowTitle().isEmpty()) top->setWindowTitle(QStringLiteral("fluxprobe"));
    auto window = std::make_shared<Window>();
    window->setName(top->objectName().toStdString());
    window->platformSetGeometry(
        {static_cast<float>(top->width()) / 2.0f, static_cast<float>(top->height()) / 2.0f},
        {static_cast<float>(top->width()), static_cast<float>(top->height())});
    window->setHidden(true);
    mainWindow_ = top.get();
    WidgetPeer::attach(window, top.release(), /*owning=*/true);
    main.window = window;

    // The window already holds the screen's widgets; the screen takes them when it loads.
    pendingScreenNib_ = nib;
    pendingScreenRoot_ = WindowParts::of(mainWindow_).named<QWidget>(qPrintable(controllerClass));
    if (service_.headingAvailable())
        signalStatus_ = std::make_unique<SignalStatus>(*signal_, mainWindow_);
    return main;
}

std::shared_ptr<View> QtPlatform::loadInterface(const std::string& nibName, ViewController& owner) {
    const QString screen = QString::fromLatin1(owner.className());
    if (nibName == pendingScreenNib_ && pendingScreenRoot_ &&
        pendingScreenRoot_->objectName() == screen) {
        QWidget* root = pendingScreenRoot_;
        pendingScreenRoot_ = nullptr;
        pendingScreenNib_.clear();
        auto view = bindInterface(root, nibName, owner);
        addScreenExtras(root);
        if (!service_.headingAvailable()) showNoData(root);
        return view;
    }
    const QByteArray ui = files_.read(nibName);
    std::unique_ptr<QWidget> top = files_.build(nibName, ui, {screen});
    std::unique_ptr<QWidget> root;
    if (top->objectName() == screen) {
        root = std::move(top);
    } else {
        QWidget* inner = WindowParts::of(top.get()).named<QWidget>(screen);
        if (!inner)
            throw InterfaceError("interface file '" + nibName + "': no widget named '" +
                                 screen.toStdString() + "' for the screen's root view");
        inner->setParent(nullptr);
        root.reset(inner);
    }
    auto view = bindInterface(root.get(), nibName, owner);
    addScreenExtras(root.get());
    if (!service_.headingAvailable()) showNoData(root.get());
    root.release();  // the root view's peer owns it now
    return view;
}

std::optional<std::string> QtPlatform::pathForResource(const std::string& name,
                                                       const std::string& type) {
    const QString path = findDataFile(settings_.dataDir, QString::fromStdString(name + "." + type));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::shared_ptr<Sound> QtPlatform::makeSound(const std::string& path) {
    QString why;
    std::optional<WavClip> clip = WavClip::load(QString::fromStdString(path), &why);
    if (!clip) {
        warn("fluxprobe: cannot play " + path + ": " + why.toStdString());
        return nullptr;
    }
    return std::make_shared<QtSound>(std::move(*clip));
}

void QtPlatform::showAlert(const Alert& alert) {
    // Shown from the loop, so that an alert raised while the window is being set up opens
    // over the shown window. One raised by a control's action confirms what the user did.
    QPointer<QWidget> parent = mainWindow_;
    const bool confirmation = UserAction::running();
    QTimer::singleShot(0, context_.get(), [alert, parent, confirmation] {
        auto* box = new AlertBox(alert, confirmation, parent);  // deletes itself when closed
        box->openOver();
    });
}

void QtPlatform::log(std::string_view line) {
    writeLine(line);
}

void QtPlatform::warn(std::string_view message) {
    writeLine(message);
    std::fflush(stderr);  // a warning is not held back, nor are the lines before it
}

void QtPlatform::presentModal(ViewController& presenter, ViewController& presented, bool animated) {
    std::shared_ptr<View> presenterView = presenter.view();
    std::shared_ptr<View> view = presented.view();
    QWidget* under = WidgetPeer::widgetOf(presenterView.get());
    QWidget* over = WidgetPeer::widgetOf(view.get());
    if (!under || !over) return;
    if (auto* screen = qobject_cast<ScreenWidget*>(under)) {
        screen->setOverlay(over);
    } else {
        over->setParent(under);
        over->setGeometry(under->rect());
    }
    over->setAutoFillBackground(true);
    view->platformSetGeometry(
        {static_cast<float>(under->width()) / 2.0f, static_cast<float>(under->height()) / 2.0f},
        {static_cast<float>(under->width()), static_cast<float>(under->height())});
    over->raise();
    over->show();
    over->setFocus();
    if (animated) fade(over, context_.get(), 0.0, 1.0, nullptr);
}

void QtPlatform::dismissModal(ViewController& presenter, ViewController& presented, bool animated) {
    // The screen underneath shows from now on: bring it up to date first.
    if (FrameClock* clock = FrameClock::current()) clock->releaseHeld();
    std::weak_ptr<ViewController> weakPresenter = presenter.weak_from_this();
    auto finish = [weakPresenter] {
        // Destroys the presented screen; nothing here touches it afterwards.
        if (auto p = weakPresenter.lock()) p->modalDismissalFinished();
    };
    QWidget* over =
        presented.isViewLoaded() ? WidgetPeer::widgetOf(presented.view().get()) : nullptr;
    if (!over || !animated) {
        if (over) over->hide();
        finish();
        return;
    }
    QPointer<QWidget> target(over);
    fade(over, context_.get(), 1.0, 0.0, [target, finish] {
        if (target) target->hide();
        finish();
    });
}

std::shared_ptr<Timer> QtPlatform::scheduleTimer(double interval, std::function<void()> tick,
                                                 bool repeats) {
    auto timer = std::make_shared<QtTimer>(interval, std::move(tick), repeats,
                                           [this] { dropInvalidTimers(); });
    timers_.push_back(timer);
    return timer;
}

void QtPlatform::dropInvalidTimers() {
    // Called from inside a timer's own tick: sweep once that tick has returned.
    if (timerSweepPosted_) return;
    timerSweepPosted_ = true;
    post([this] {
        timerSweepPosted_ = false;
        timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                     [](const auto& t) { return !t->isValid(); }),
                      timers_.end());
    });
}

void QtPlatform::showThreshold(Slider& slider) {
    auto* q = qobject_cast<QSlider*>(WidgetPeer::widgetOf(&slider));
    if (q) thresholdSlider_ = q;
    // One label a slider, however often its screen loads.
    QWidget* window = q ? q->window() : nullptr;
    if (!window || WindowParts::of(window).thresholdLabel) return;
    ThresholdLabel* label = addThresholdLabel(q);
    WindowParts::of(window).thresholdLabel = label;
    // It grows with the window as the screen's own text does.
    if (ScreenScaler* scaler = label ? ScreenScaler::of(label) : nullptr) scaler->adopt(label);
}

std::optional<float> QtPlatform::alarmThreshold() const {
    if (!thresholdSlider_) return std::nullopt;
    return instrument::alarmThreshold(static_cast<float>(thresholdSlider_->value()));
}

void QtPlatform::setIdleTimerDisabled(bool disabled) {
    inhibitor_->setInhibited(disabled);
}

}  // namespace platform::qt
