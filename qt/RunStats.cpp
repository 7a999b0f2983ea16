#include "qt/RunStats.h"

#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "qt/interface/WindowParts.h"
#include "qt/widgets/PlotWidget.h"

namespace platform::qt {

namespace {

// How long this process has run, from the kernel's record of its start (Linux; 0 elsewhere).
double processAgeMs() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) return 0.0;
    const QByteArray line = stat.readAll();
    // The command name may hold spaces: fields are counted after its closing parenthesis.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0) return 0.0;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    constexpr int kStartTime = 19;  // field 22 of the file, the 20th after the name
    if (fields.size() <= kStartTime) return 0.0;
    bool ok = false;
    const double ticks = fields[kStartTime].toDouble(&ok);
    const long hz = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (!ok || hz <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return 0.0;
    const double nowMs =
        static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    const double age = nowMs - ticks * 1e3 / static_cast<double>(hz);
    return age > 0.0 ? age : 0.0;
}

// The screen a view belongs to: the nearest ancestor named after a view controller.
// The plots of every screen bound in window, each once, screen by screen.
std::vector<const PlotWidget*> plotsOf(const QWidget* window) {
    std::vector<const PlotWidget*> plots;
    for (const WindowParts* parts : WindowParts::all()) {
        if (parts->root() != window && !window->isAncestorOf(parts->root())) continue;
        for (const PlotWidget* plot : parts->widgets<PlotWidget>())
            if (std::find(plots.begin(), plots.end(), plot) == plots.end()) plots.push_back(plot);
    }
    return plots;
}

QString screenOf(const QWidget* w) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p->objectName().endsWith(QStringLiteral("ViewController"))) return p->objectName();
    return QStringLiteral("window");
}

}  // namespace

RunStats::RunStats() : startedMs_(processAgeMs()) {
    clock_.start();
}

void RunStats::watch(QWidget* window) {
    window_ = window;
}

void RunStats::frameShown() {
    if (firstFrameMs_ < 0.0)
        firstFrameMs_ = startedMs_ + static_cast<double>(clock_.nsecsElapsed()) / 1e6;
}

double RunStats::secondsRun() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e9;
}

std::string RunStats::summary() const {
    const double seconds = secondsRun();
    std::string line = "fluxprobe: paints";
    if (window_) {
        for (const PlotWidget* host : plotsOf(window_)) {
            line += ' ';
            line += (screenOf(host) + QLatin1Char('/') + host->objectName()).toStdString();
            line += '=';
            line += std::to_string(host->paints());
        }
    }
    char tail[96];
    std::snprintf(tail, sizeof tail, " in %.2f s; first frame %.0f ms after start", seconds,
                  firstFrameMs_);
    return line + tail;
}

}  // namespace platform::qt
