#include "platform/qt/Screenshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <vector>

namespace platform::qt {

QImage screenshotOf(QWidget* window) {
    if (!window) return {};
    QImage picture = window->grab().toImage();
    QPainter painter(&picture);
    bool veiled = false;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (!box || !box->isVisible() || box->parentWidget() != window) continue;
        if (!veiled) {
            painter.fillRect(QRect(QPoint(0, 0), window->size()), QColor(0, 0, 0, 96));
            veiled = true;
        }
        const QPoint at = window->mapFromGlobal(box->mapToGlobal(QPoint(0, 0)));
        painter.drawPixmap(at, box->grab());
    }
    return picture;
}

namespace {

// Every byte of data to fd; the errno of the failure, or 0.
int writeAll(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR)
            return errno;
    }
    return 0;
}

}  // namespace

std::string writeScreenshot(const QImage& picture, const std::string& path) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "PNG")) return "the window could not be drawn";

    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = dir + "." + base + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    // mkstemp creates the file (O_EXCL), so nothing already there is written to.
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return std::strerror(errno);
    temporary = name.data();
    // mkstemp makes the file private; a picture is as readable as any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    int error = writeAll(fd, png);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return std::strerror(error);
    }
    return {};
}

}  // namespace platform::qt
