#include "qt/widgets/AlertBox.h"

#include <QEvent>
#include <QLayout>
#include <QPushButton>
#include <QScopeGuard>
#include <algorithm>
#include <cmath>

namespace platform::qt {

namespace {

// The meter's own colours: its dark face and light text, 13:1 apart.
constexpr QRgb kFace = 0xff1c262c;
constexpr QRgb kText = 0xffe8eef2;

// Overrides the window's rules for labels and buttons, which assume the window's dark face.
const char* const kStyle = R"(
QMessageBox { background: #1c262c; }
QMessageBox QLabel { color: #e8eef2; background: transparent; }
QMessageBox QPushButton { color: #e8eef2; background: #2b3a42; border: 1px solid #8fa3ad;
                          border-radius: 6px; padding: 6px 18px; min-width: 48px; }
QMessageBox QPushButton:focus { border: 2px solid #ffb000; }
QMessageBox QPushButton:pressed { background: #40545e; }
)";

// Room left around the box inside the window.
constexpr int kMargin = 12;

double luminance(const QColor& c) {
    auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

AlertBox::AlertBox(const Alert& alert, bool confirmation, QWidget* window) : QMessageBox(window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet(QString::fromLatin1(kStyle));
    QPalette colors = palette();
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        colors.setColor(role, QColor::fromRgb(kFace));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        colors.setColor(role, QColor::fromRgb(kText));
    setPalette(colors);
    setIcon(confirmation ? QMessageBox::Information : QMessageBox::Warning);
    setWindowTitle(QString::fromStdString(alert.title));
    // As rich text the message box wraps its text to the room it has (plain text it never
    // wraps): the message goes in escaped, so it still reads exactly as given.
    setTextFormat(Qt::RichText);
    setText(QString::fromStdString(alert.message).toHtmlEscaped());
    QPushButton* ok =
        addButton(QString::fromStdString(alert.cancelButtonTitle), QMessageBox::RejectRole);
    setDefaultButton(ok);
    setEscapeButton(ok);
    setAccessibleName(QString::fromStdString(alert.title));
    setAccessibleDescription(QString::fromStdString(alert.message));
}

void AlertBox::openOver() {
    open();
    fitWithinWindow();
}

bool AlertBox::event(QEvent* event) {
    const bool handled = QMessageBox::event(event);
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::StyleChange:
        case QEvent::FontChange:
        case QEvent::LayoutRequest:
            fitWithinWindow();
            break;
        default:
            break;
    }
    return handled;
}

void AlertBox::fitWithinWindow() {
    QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    if (!window || fitting_) return;
    fitting_ = true;
    const auto done = qScopeGuard([this] { fitting_ = false; });
    const int room = std::max(120, window->width() - 2 * kMargin);
    if (width() > room) {
        // Too wide for the window: the message wraps, and the box grows in height instead.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        QLayout* grid = layout();
        grid->activate();
        const int height = grid->hasHeightForWidth() ? grid->totalHeightForWidth(room)
                                                     : grid->totalSizeHint().height();
        setFixedSize(room, std::max(height, grid->totalMinimumSize().height()));
    }
    move(window->mapToGlobal(window->rect().center()) - rect().center());
}

QColor AlertBox::textColor() const {
    // What the style sheet gives every label of the box.
    return QColor::fromRgb(kText);
}

QColor AlertBox::backgroundColor() const {
    return palette().color(backgroundRole());
}

}  // namespace platform::qt
