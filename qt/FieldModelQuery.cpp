#include "qt/FieldModelQuery.h"

#include <QtGlobal>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "heading/model/FieldQuery.h"
#include "qt/DataFiles.h"
#include "qt/Options.h"

namespace platform::qt {

int runFieldModelQuery(const std::vector<std::string>& args) {
    Options options;
    try {
        options = parseOptions(args);
    } catch (const OptionError& e) {
        std::cerr << "fluxprobe: " << e.what() << "\n" << usageLine() << std::endl;
        return 2;
    }
    try {
        const auto model = loadFieldModel(qEnvironmentVariable("FLUXPROBE_DATA_DIR"));
        double year = 0.0;
        std::string dateText;
        if (options.date) {
            year = *options.date;
            dateText = "--date=" + options.dateText;
        } else {
            year = heading::decimalYear(std::chrono::system_clock::now());
            char text[32];
            std::snprintf(text, sizeof text, "today (%.1f)", year);
            dateText = text;
        }
        heading::checkAltitude(*model, *options.location);
        heading::checkYear(*model, year, dateText);
        const heading::FieldValues field = model->evaluate(*options.location, year);
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
