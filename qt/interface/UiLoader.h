#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUiLoader>
#include <memory>
#include <string>

namespace platform::qt {

// Finds and reads the interface files: the bundled ones (Qt resources), or those of a folder
// given instead (FLUXPROBE_UI_DIR or --ui-dir), so that a broken file can be tried.
class InterfaceFiles {
  public:
    explicit InterfaceFiles(QString folder = {}) : folder_(std::move(folder)) {}

    QString pathOf(const std::string& name) const;
    // The file's contents; throws InterfaceError when it is missing or unreadable.
    QByteArray read(const std::string& name) const;

    // Reads the file and checks that it is well-formed XML, with no widget made, so that it can
    // be done before the application exists; throws InterfaceError as read and build do.
    void check(const std::string& name) const;

    // The value of a string property (a dynamic property such as controllerClass) of the file's
    // top-level widget, read without building any widget; empty when it has none.
    static QString topLevelProperty(const QByteArray& ui, const QString& property);

    // Builds the widgets of a file. The widgets named in screens become ScreenWidgets (a
    // screen's root). Throws InterfaceError naming the file when Qt cannot read it.
    std::unique_ptr<QWidget> build(const std::string& name, const QByteArray& ui,
                                   const QSet<QString>& screens) const;

  private:
    void refuseMalformed(const std::string& name, const QByteArray& ui) const;

    QString folder_;
};

}  // namespace platform::qt
