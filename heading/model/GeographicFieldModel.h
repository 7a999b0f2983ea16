#pragma once

#include <memory>
#include <string>

#include "heading/model/FieldModel.h"

namespace GeographicLib {
class MagneticModel;
}

namespace heading {

// The field model we ship (WMM2025) in GeographicLib's magnetic-model format (wmm2025.wmm and
// wmm2025.wmm.cof in one folder), evaluated with GeographicLib. The files are checked against
// what the build makes of the published coefficients before the library reads them, and the
// model's years and heights are ours, whatever the files say.
class GeographicFieldModel : public FieldModel {
  public:
    static constexpr const char* kWmm2025 = "wmm2025";

    // Throws FieldModelError naming the folder and what is wrong with the files.
    explicit GeographicFieldModel(const std::string& folder);
    ~GeographicFieldModel() override;
    GeographicFieldModel(const GeographicFieldModel&) = delete;
    GeographicFieldModel& operator=(const GeographicFieldModel&) = delete;

    FieldValues evaluate(const Location& location, double decimalYear) const override;
    std::string name() const override { return name_; }
    double validFrom() const override;
    double validUntil() const override;
    double minAltitude() const override;
    double maxAltitude() const override;

  private:
    std::unique_ptr<GeographicLib::MagneticModel> model_;
    std::string name_;
};

}  // namespace heading
