#include "qt/widgets/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QWidget>
#include <algorithm>

namespace platform::qt {

namespace {

constexpr const char* kSpokenProperty = "fluxprobeSpoken";

struct Description {
    const char* name;
    const char* description;
    const char* spoken;  // for a readout: what is said, %1 being its number
};

// By object name, for the meter's and the compass's widgets; where the two screens give one
// name to different things, by screen too.
struct Entry {
    const char* screen;  // null for either screen
    const char* object;
    Description d;
};

const Entry kEntries[] = {
    {nullptr, "window", {"fluxprobe", "Magnetic field meter", nullptr}},
    {nullptr, "FluxprobeViewController", {"Field meter", "The field meter screen", nullptr}},
    {nullptr, "CompassViewController", {"Compass", "The compass screen", nullptr}},
    {nullptr, "compassFace", {"Compass", "Heading, compass point and north reference", nullptr}},
    {nullptr, "lcdPanel", {"Readout panel", "The main readout", nullptr}},
    {"FluxprobeViewController",
     "magnitudeLabel",
     {"Total field", "Total magnetic field in microtesla", "Total field, %1 microtesla"}},
    {nullptr,
     "xLabel",
     {"Field along x", "Field along the x axis in microtesla", "Field along x, %1 microtesla"}},
    {nullptr,
     "yLabel",
     {"Field along y", "Field along the y axis in microtesla", "Field along y, %1 microtesla"}},
    {nullptr,
     "zLabel",
     {"Field along z", "Field along the z axis in microtesla", "Field along z, %1 microtesla"}},
    {"CompassViewController",
     "magnitudeLabel",
     {"Compass point", "The compass point of the heading", "Compass point, %1"}},
    {"CompassViewController", "hd", {"Heading", "Heading in degrees", "Heading, %1 degrees"}},
    {"FluxprobeViewController",
     "graphView",
     {"Field graph",
      "The last 150 samples: x red, y green, z blue; +128 microtesla at the top, -128 at the "
      "bottom",
      nullptr}},
    {"CompassViewController",
     "graphView",
     {"Heading graph", "The magnetic heading divided by 4, over the last 150 samples", nullptr}},
    {nullptr,
     "fluxprobeview",
     {"Dial", "Drag to move it, right-drag to turn it; double-click or Home puts it back",
      nullptr}},
    {nullptr,
     "wavesview",
     {"Alarm indicator", "Shown while the field is above the alarm threshold", nullptr}},
    {nullptr,
     "mySlider",
     {"Alarm threshold", "The alarm sounds above this value plus 60 microtesla", nullptr}},
    {nullptr, "compassButton", {"Compass", "Opens the compass", nullptr}},
    {nullptr, "doneButton", {"Done", "Back to the field meter (Escape)", nullptr}},
    {nullptr, "engkey", {"Magnetic north", "On: magnetic north; off: true north", nullptr}},
    {nullptr, "compassScale", {"Compass bezel", "The fixed scale around the rose", nullptr}},
    {nullptr, "iv", {"Compass rose", "Its red point shows the heading", nullptr}},
};

const Description* describe(const QString& screen, const QString& object) {
    for (const Entry& e : kEntries)
        if (object == QLatin1String(e.object) && (!e.screen || screen == QLatin1String(e.screen)))
            return &e.d;
    return nullptr;
}

}  // namespace

QString spokenReadout(const QString& spokenForm, const QString& text) {
    // By hand rather than by regular expression: it runs for every new text of a readout.
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const bool sign = text[i] == QLatin1Char('-') && i + 1 < n && text[i + 1].isDigit();
        if (!sign && !text[i].isDigit()) continue;
        qsizetype end = i + 1;
        while (end < n && (text[end].isDigit() || text[end] == QLatin1Char('.'))) ++end;
        return spokenForm.arg(text.mid(i, end - i));
    }
    const QString word = text.trimmed();
    const bool point =
        !word.isEmpty() && word.size() <= 3 && std::all_of(word.begin(), word.end(), [](QChar c) {
            return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
        });
    if (point) return spokenForm.arg(word);
    // A placeholder such as "--.-" before the first reading.
    return spokenForm.section(QLatin1Char(','), 0, 0) + QStringLiteral(", no reading");
}

namespace {

// A readout's spoken name is made when a screen reader asks for it, from the text shown then:
// a readout changes a thousand times a second, and a name kept up to date costs at each change.
class ReadoutAccessible : public QAccessibleWidget {
  public:
    ReadoutAccessible(QLabel* label, QString spokenForm)
        : QAccessibleWidget(label, QAccessible::StaticText), spokenForm_(std::move(spokenForm)) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return spokenReadout(spokenForm_, static_cast<QLabel*>(widget())->text());
        return QAccessibleWidget::text(t);
    }

  private:
    QString spokenForm_;
};

QAccessibleInterface* readoutInterface(const QString&, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    if (!label) return nullptr;
    const QVariant form = label->property(kSpokenProperty);
    return form.isValid() ? new ReadoutAccessible(label, form.toString()) : nullptr;
}

}  // namespace

void speakReadout(QLabel* label) {
    // Only a screen reader listening needs telling; it then asks for the name.
    if (!QAccessible::isActive() || !label->property(kSpokenProperty).isValid()) return;
    QAccessibleEvent event(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void describeScreen(QWidget* root) {
    static const bool installed = [] {
        QAccessible::installFactory(readoutInterface);
        return true;
    }();
    (void)installed;
    const QString screen = root->objectName();
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    if (QWidget* top = root->window(); top != root && !all.contains(top)) all.prepend(top);
    for (QWidget* w : all) {
        QString object = w->objectName();
        // A view drawn by the logic sits in a host named after its container.
        if (object.endsWith(QLatin1String("Host"))) object.chop(4);
        if (const Description* d = describe(screen, object)) {
            // A readout's name is kept too, although its interface says the spoken one: a label
            // without a name announces every new text itself.
            if (w->accessibleName().isEmpty()) w->setAccessibleName(QString::fromUtf8(d->name));
            if (w->accessibleDescription().isEmpty())
                w->setAccessibleDescription(QString::fromUtf8(d->description));
            if (d->spoken) {
                w->setProperty(kSpokenProperty, QString::fromUtf8(d->spoken));
                // Qt made the label its interface when it was first shown or given a text: that
                // one goes, and the next question makes the readout's.
                QAccessibleInterface* made = QAccessible::queryAccessibleInterface(w);
                if (made && !dynamic_cast<ReadoutAccessible*>(made))
                    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
            }
        } else if (w->accessibleName().isEmpty() && !w->toolTip().isEmpty()) {
            w->setAccessibleName(w->toolTip());
        } else if (auto* mark = qobject_cast<QLabel*>(w);
                   mark && mark->accessibleName().isEmpty() && !mark->text().isEmpty()) {
            // A mark the logic may empty (the compass's points) keeps the name it was made with.
            mark->setAccessibleName(mark->text());
        }
    }
}

}  // namespace platform::qt
