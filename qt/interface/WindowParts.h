#pragma once

#include <QBoxLayout>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

class QLabel;
class QWidget;

namespace platform::qt {

class ScreenScaler;
class ThresholdLabel;

// The parts of one screen (or of the meter's window) that the platform's own controls are built
// around and read afterwards: its named widgets and layouts, every widget in it, and what the
// platform itself added (plots' hosts, the signal banner, the scaler, the alarm's label).
// Gathered in one walk as the screen is bound (the loader hands back only the top widget) and
// held as a child of its root from then on: nothing searches the widget tree for them again.
// What is added later is added here by whoever makes it.
class WindowParts : public QObject {
    Q_OBJECT

  public:
    // The parts of root, gathered on first asking.
    static WindowParts& of(QWidget* root);
    // The parts of root if they were ever gathered, else none: never walks.
    static WindowParts* find(const QWidget* root);
    // Every root whose parts are held, in the order they were gathered.
    static std::vector<WindowParts*> all();

    ~WindowParts() override;

    QWidget* root() const { return root_; }

    // The object named name in root's interface file, if it is a T.
    template <class T>
    T* named(const char* name) const {
        return qobject_cast<T*>(object(QString::fromLatin1(name)));
    }
    template <class T>
    T* named(const QString& name) const {
        return qobject_cast<T*>(object(name));
    }

    // Every widget under root that is a T (root itself not included).
    template <class T>
    QList<T*> widgets() const {
        QList<T*> found;
        for (const QPointer<QWidget>& w : widgets_)
            if (auto* t = qobject_cast<T*>(w.data())) found.push_back(t);
        return found;
    }

    // A widget made under root after it was bound.
    void add(QWidget* widget);

    // The label the platform put beside the alarm slider, once it has.
    QPointer<ThresholdLabel> thresholdLabel;
    // The line that says the signal is stale or gone, once there is one.
    QPointer<QLabel> signalBanner;
    // What keeps root's design as the window grows, once it has one.
    QPointer<ScreenScaler> scaler;

  private:
    explicit WindowParts(QWidget* root);
    QObject* object(const QString& name) const;

    QWidget* root_;
    QHash<QString, QPointer<QObject>> named_;
    QList<QPointer<QWidget>> widgets_;
};

}  // namespace platform::qt
