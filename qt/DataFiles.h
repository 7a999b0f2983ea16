#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "heading/model/FieldModel.h"

namespace platform::qt {

// Where run-time data (beep.wav, the field model) is looked for: dataDir when one is given
// (FLUXPROBE_DATA_DIR), otherwise the program's installed ../share/fluxprobe, then the
// program's own folder.
QStringList dataFolders(const QString& dataDir);

// The first readable `file` in dataFolders; empty when there is none.
QString findDataFile(const QString& dataDir, const QString& file);

// The World Magnetic Model 2025 from the data folders. Throws heading::FieldModelError saying
// where it looked, or what is wrong with the files.
std::shared_ptr<const heading::FieldModel> loadFieldModel(const QString& dataDir);

}  // namespace platform::qt
