// Converts the World Magnetic Model's coefficient file into GeographicLib's magnetic model
// format. Run by the build; usage: fluxprobe_wmm_convert WMM.COF FOLDER NAME
#include <fstream>
#include <iostream>

#include "heading/model/FieldModel.h"
#include "heading/model/WmmCoefficients.h"

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::cerr << "usage: fluxprobe_wmm_convert WMM.COF FOLDER NAME\n";
        return 2;
    }
    try {
        std::ifstream in(argv[1]);
        if (!in) throw heading::FieldModelError(std::string("cannot open ") + argv[1]);
        const auto coefficients = heading::WmmCoefficients::parse(in, argv[1]);
        heading::writeGeographicLibModel(coefficients, argv[2], argv[3]);
    } catch (const heading::FieldModelError& e) {
        std::cerr << "fluxprobe_wmm_convert: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
