#include "qt/run/EventLoop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>

#include "qt/EndLoopOnException.h"
#include "qt/NonBlockingLog.h"
#include "qt/QuitOnSignals.h"
#include "qt/QuitTimer.h"
#include "qt/widgets/FrameClock.h"

namespace platform::qt {

namespace {

// While Qt starts: a fatal message of Qt's (no display to start on) runs the run's last words
// and lets the lines already logged out before Qt ends the program.
struct FatalStart {
    static inline std::function<void()>* beforeFatal = nullptr;
    static inline NonBlockingLog* log = nullptr;
    static inline QtMessageHandler previous = nullptr;

    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtFatalMsg && beforeFatal && *beforeFatal) (*beforeFatal)();
        if (type == QtFatalMsg && log) log->flush();
        if (previous)
            previous(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
};

// What was handed to deleteLater goes while the application still exists.
struct DeferredDeletes {
    ~DeferredDeletes() {
        if (QCoreApplication::instance())
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace

// In the order they are made; destroyed the other way round, the application last but the log.
struct EventLoop::Parts {
    // One log line per sample goes to stderr: written once per turn of the loop, not one by
    // one, and never waiting for a reader.
    NonBlockingLog log{stderr};
    std::unique_ptr<QCoreApplication> app;
    DeferredDeletes deferredDeletes;
    std::unique_ptr<QObject> context;  // receives posted tasks
    std::optional<QuitOnSignals> quitOnSignals;
    std::optional<QuitTimer> quitTimer;
};

EventLoop::EventLoop() {
    // A reader that has gone (| head -2) makes a write fail with EPIPE, which ends the log, not
    // the program and its recording.
    std::signal(SIGPIPE, SIG_IGN);
    parts_ = std::make_unique<Parts>();
}

EventLoop::~EventLoop() = default;

void EventLoop::start(int& argc, char* argv[], Shape shape, std::function<void()> beforeFatal) {
    const bool window = shape.window;
    FatalStart::beforeFatal = &beforeFatal;
    FatalStart::log = &parts_->log;
    FatalStart::previous = qInstallMessageHandler(FatalStart::handler);
    if (window)
        parts_->app = std::make_unique<QApplication>(argc, argv);
    else
        parts_->app = std::make_unique<QCoreApplication>(argc, argv);
    qInstallMessageHandler(FatalStart::previous);
    FatalStart::beforeFatal = nullptr;
    FatalStart::log = nullptr;

    parts_->log.flushBeforeEachWait();
    parts_->context = std::make_unique<QObject>();
    if (shape.quitOnSignals) parts_->quitOnSignals.emplace();
    QCoreApplication::setApplicationName(QStringLiteral("fluxprobe"));
    if (window) QGuiApplication::setDesktopFileName(QStringLiteral("fluxprobe"));
}

void EventLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        parts_->context.get(),
        [task = std::move(task)] {
            endLoopOnException(task);
            if (FrameClock* clock = FrameClock::current()) clock->flushIfDue();
        },
        Qt::QueuedConnection);
}

void EventLoop::atStart(std::function<void()> task) {
    QTimer::singleShot(0, parts_->context.get(), std::move(task));
}

void EventLoop::quitAfter(double seconds, std::function<void()> beforeQuit) {
    parts_->quitTimer.emplace(std::chrono::duration<double>(seconds),
                              [beforeQuit = std::move(beforeQuit)] {
                                  if (beforeQuit) beforeQuit();
                                  QCoreApplication::quit();
                              });
}

void EventLoop::quit() {
    QCoreApplication::quit();
}

int EventLoop::exec() {
    return QCoreApplication::exec();
}

int runWithoutLoop(int& argc, char* argv[], const std::function<int()>& command) {
    const QCoreApplication core(argc, argv);
    return command();
}

}  // namespace platform::qt
