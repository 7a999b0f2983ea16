#include "qt/FieldModelQuery.h"

#include <QtGlobal>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "heading/model/FieldQuery.h"
#include "qt/DataFiles.h"

namespace platform::qt {

std::shared_ptr<const heading::FieldModel> loadInstalledFieldModel() {
    return loadFieldModel(qEnvironmentVariable("FLUXPROBE_DATA_DIR"));
}

int runFieldModelQuery(const heading::Location& location, std::optional<double> date,
                       const std::string& givenDate) {
    try {
        const auto model = loadInstalledFieldModel();
        double year = 0.0;
        std::string dateText;
        if (date) {
            year = *date;
            dateText = "--date=" + givenDate;
        } else {
            year = heading::decimalYear(std::chrono::system_clock::now());
            char text[32];
            std::snprintf(text, sizeof text, "today (%.1f)", year);
            dateText = text;
        }
        heading::checkAltitude(*model, location);
        heading::checkYear(*model, year, dateText);
        const heading::FieldValues field = model->evaluate(location, year);
        std::cout << heading::fieldReport(field, model->name()) << std::endl;
        if (const std::string caution = heading::cautionWarning(field); !caution.empty())
            std::cerr << "fluxprobe: " << caution << std::endl;
        return 0;
    } catch (const heading::FieldModelError& e) {
        std::cerr << "fluxprobe: " << e.what() << std::endl;
        return 2;
    }
}

}  // namespace platform::qt
