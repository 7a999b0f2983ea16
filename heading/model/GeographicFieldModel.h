#pragma once

#include <memory>
#include <string>

#include "heading/model/FieldModel.h"

namespace GeographicLib {
class MagneticModel;
}

namespace heading {

// A field model in GeographicLib's magnetic-model format (NAME.wmm and NAME.wmm.cof in one
// folder), evaluated with GeographicLib. The name is always given: the library's own default
// names a model long expired.
class GeographicFieldModel : public FieldModel {
  public:
    static constexpr const char* kWmm2025 = "wmm2025";

    // Throws FieldModelError naming the folder and what is wrong with the files.
    explicit GeographicFieldModel(const std::string& folder, const std::string& name = kWmm2025);
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
