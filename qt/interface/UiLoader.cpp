#include "qt/interface/UiLoader.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

#include "platform/InterfaceError.h"
#include "qt/widgets/PlotWidget.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/TurningPicture.h"

namespace platform::qt {

namespace {

class ScreenAwareLoader : public QUiLoader {
  public:
    explicit ScreenAwareLoader(const QSet<QString>& screens) : screens_(screens) {}

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        if ((className == QLatin1String("QWidget") || className == QLatin1String("ScreenWidget")) &&
            screens_.contains(name)) {
            auto* screen = new ScreenWidget(parent);  // owned by parent, or by the caller
            screen->setObjectName(name);
            return screen;
        }
        QWidget* ours = nullptr;  // owned by parent, or by the caller
        if (className == QLatin1String("ReadoutLabel"))
            ours = new ReadoutLabel(parent);
        else if (className == QLatin1String("PlotWidget"))
            ours = new PlotWidget(parent);
        else if (className == QLatin1String("TurningPicture"))
            ours = new TurningPicture(parent);
        if (ours) {
            ours->setObjectName(name);
            return ours;
        }
        return QUiLoader::createWidget(className, parent, name);
    }

  private:
    const QSet<QString>& screens_;
};

constexpr qint64 kMaxFileBytes = qint64{1} << 20;

[[noreturn]] void refuseTooLarge(const std::string& name, const std::string& path) {
    throw InterfaceError("interface file '" + name + "': " + path +
                         " is larger than 1 MiB; an interface file is a few kilobytes");
}

// A FIFO or a device (/dev/zero) as an interface file would hang the start or fill the memory.
void refuseUnlikeAFile(const std::string& name, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return;  // opening it says what is wrong
    if (!S_ISREG(info.st_mode))
        throw InterfaceError("interface file '" + name + "': " + path + " is not a regular file");
    if (info.st_size > kMaxFileBytes) refuseTooLarge(name, path);
}

}  // namespace

QString InterfaceFiles::pathOf(const std::string& name) const {
    const QString file = QString::fromStdString(name) + QStringLiteral(".ui");
    if (!folder_.isEmpty()) return folder_ + QLatin1Char('/') + file;
    return QStringLiteral(":/ui/") + file;
}

QByteArray InterfaceFiles::read(const std::string& name) const {
    QFile file(pathOf(name));
    if (!file.exists())
        throw InterfaceError("interface file '" + name + "': not found (" +
                             file.fileName().toStdString() + ")");
    if (!folder_.isEmpty()) refuseUnlikeAFile(name, file.fileName().toStdString());
    if (!file.open(QIODevice::ReadOnly))
        throw InterfaceError("interface file '" + name + "': cannot be read (" +
                             file.fileName().toStdString() + ": " +
                             file.errorString().toStdString() + ")");
    if (folder_.isEmpty()) return file.readAll();  // built in
    // Should it have grown since: a byte more than allowed is enough to refuse it.
    QByteArray ui = file.read(kMaxFileBytes + 1);
    if (ui.size() > kMaxFileBytes) refuseTooLarge(name, file.fileName().toStdString());
    return ui;
}

QString InterfaceFiles::topLevelProperty(const QByteArray& ui, const QString& property) {
    QXmlStreamReader xml(ui);
    int widgetDepth = 0;
    bool inProperty = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("widget")) {
                ++widgetDepth;
            } else if (widgetDepth == 1 && xml.name() == QLatin1String("property") &&
                       xml.attributes().value(QLatin1String("name")) == property) {
                inProperty = true;
            } else if (inProperty && xml.name() == QLatin1String("string")) {
                return xml.readElementText().trimmed();
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("widget")) --widgetDepth;
            if (xml.name() == QLatin1String("property")) inProperty = false;
        }
    }
    return {};
}

void InterfaceFiles::refuseMalformed(const std::string& name, const QByteArray& ui) const {
    QXmlStreamReader check(ui);
    while (!check.atEnd()) check.readNext();
    if (check.hasError())
        throw InterfaceError("interface file '" + name + "': " + pathOf(name).toStdString() + ":" +
                             std::to_string(check.lineNumber()) + ": " +
                             check.errorString().toStdString());
}

void InterfaceFiles::check(const std::string& name) const {
    refuseMalformed(name, read(name));
}

std::unique_ptr<QWidget> InterfaceFiles::build(const std::string& name, const QByteArray& ui,
                                               const QSet<QString>& screens) const {
    // A file that is not well-formed XML makes QUiLoader print and return something partial;
    // refuse it first with the parser's line and column.
    refuseMalformed(name, ui);
    // The files use Qt's own widgets and ours. A loader loads every Designer plugin it finds as
    // it is made, which maps libraries nothing here uses (Qt Quick among them): it is made
    // while Qt knows of no plugin folder.
    const QStringList pluginFolders = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    ScreenAwareLoader loader(screens);
    QCoreApplication::setLibraryPaths(pluginFolders);
    loader.clearPluginPaths();
    QBuffer buffer;
    buffer.setData(ui);
    buffer.open(QIODevice::ReadOnly);
    std::unique_ptr<QWidget> top(loader.load(&buffer));
    if (!top)
        throw InterfaceError("interface file '" + name + "': " +
                             (loader.errorString().isEmpty() ? std::string("no widget in it")
                                                             : loader.errorString().toStdString()));
    return top;
}

}  // namespace platform::qt
