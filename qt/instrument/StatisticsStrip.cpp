#include "qt/instrument/StatisticsStrip.h"

#include <QStringList>

#include "instrument/Instrument.h"
#include "platform/Format.h"

namespace platform::qt {

namespace {

struct Row {
    const char* name;
    const instrument::Extremes& e;
};

}  // namespace

StatisticsStrip::StatisticsStrip(const instrument::Instrument& instrument, QWidget* parent)
    : QLabel(parent), instrument_(instrument) {
    setObjectName(QStringLiteral("statisticsStrip"));
    setAccessibleName(tr("Statistics since reset"));
    setTextFormat(Qt::RichText);
    setStyleSheet(
        QStringLiteral("color: #d8e2e7; background: #1c262b; border-radius: 4px; "
                       "padding: 2px 4px;"));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    setFont(small);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &StatisticsStrip::refresh);
}

void StatisticsStrip::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    refresh();
    timer_.start();
}

void StatisticsStrip::hideEvent(QHideEvent* event) {
    QLabel::hideEvent(event);
    timer_.stop();
}

QString StatisticsStrip::plainText() const {
    const instrument::Statistics& s = instrument_.statistics();
    const instrument::Unit unit = instrument_.unit();
    const QString symbol = QString::fromUtf8(instrument::unitSymbol(unit));
    if (s.samples() == 0) return tr("no samples since reset");
    const auto field = [unit](double v) {
        return QString::fromStdString(instrument::formatField(v, unit));
    };
    const Row rows[] = {{"X", s.x()}, {"Y", s.y()}, {"Z", s.z()}, {"|B|", s.total()}};
    QStringList lines;
    lines << tr("%1  min  max  mean")
                 .arg(instrument_.relative() ? tr("measured %1").arg(symbol) : symbol);
    for (const Row& r : rows)
        lines << QStringLiteral("%1  %2  %3  %4")
                     .arg(QString::fromLatin1(r.name), field(r.e.min), field(r.e.max),
                          field(s.mean(r.e)));
    lines << tr("peak %1 %2 at %3 s")
                 .arg(field(s.total().max), symbol,
                      QString::fromStdString(platform::format("%.1f", s.peakTime())));
    return lines.join(QLatin1Char('\n'));
}

void StatisticsStrip::refresh() {
    const QStringList lines = plainText().split(QLatin1Char('\n'));
    if (lines.size() == 1) {
        setText(lines.front().toHtmlEscaped());
        return;
    }
    // A table, so that the columns line up whatever the font.
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=0 width=100%>");
    for (int i = 0; i + 1 < lines.size(); ++i) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : lines[i].split(QStringLiteral("  ")))
            html += QStringLiteral("<td align=right>%1&nbsp;</td>").arg(cell.toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>%1").arg(lines.back().toHtmlEscaped());
    setText(html);
}

}  // namespace platform::qt
