#include "qt/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "heading/model/GeographicFieldModel.h"

namespace platform::qt {

QStringList dataFolders(const QString& dataDir) {
    if (!dataDir.isEmpty()) return {dataDir};
    // The field model is loaded before the application exists, so that a damaged one is told
    // even where Qt could not start; the program's folder is then the kernel's word for it.
    const QString app = QCoreApplication::instance()
                            ? QCoreApplication::applicationDirPath()
                            : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return {QDir::cleanPath(app + QStringLiteral("/../share/fluxprobe")), app};
}

QString findDataFile(const QString& dataDir, const QString& file) {
    for (const QString& folder : dataFolders(dataDir)) {
        const QFileInfo info(QDir(folder), file);
        if (info.isFile() && info.isReadable()) return info.absoluteFilePath();
    }
    return {};
}

std::shared_ptr<const heading::FieldModel> loadFieldModel(const QString& dataDir) {
    const std::string name = heading::GeographicFieldModel::kWmm2025;
    const QString meta = findDataFile(dataDir, QString::fromStdString(name + ".wmm"));
    if (meta.isEmpty())
        throw heading::FieldModelError(
            "the field model " + name + ".wmm is in none of " +
            dataFolders(dataDir).join(QStringLiteral(", ")).toStdString() +
            " (FLUXPROBE_DATA_DIR names its folder)");
    return std::make_shared<heading::GeographicFieldModel>(
        QFileInfo(meta).absolutePath().toStdString());
}

}  // namespace platform::qt
