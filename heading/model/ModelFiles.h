#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace heading {

// The field model we ship, as the build converts it: one model, its ID, epoch, years, heights
// and degree. Files that say anything else were not made by us and are refused before a
// library trusts them (a model count in the billions would have it reserve gigabytes).
struct ModelLayout {
    const char* name = "wmm2025";  // NAME.wmm (the header) and NAME.wmm.cof (the coefficients)
    const char* id = "WMM2025A";   // eight characters that tie the two files together
    double epoch = 2025.0;         // decimal year
    double yearsValid = 5.0;
    double minHeight = -1000.0;  // metres
    double maxHeight = 850000.0;
    double radius = 6371200.0;  // metres, the reference radius of every WMM
    int degree = 12;

    double validUntil() const { return epoch + yearsValid; }
    // The size of the coefficient file: the ID, then the field and its yearly change, each as
    // two ints (degree and order), the cosine and the sine terms.
    std::size_t coefficientBytes() const;
};

inline constexpr ModelLayout kShippedModel{};

// No coefficient of the Earth's main field comes near this, in nT or nT a year (the dipole's,
// the largest, is about 30,000): a file beyond it would overflow the sums.
inline constexpr double kLargestCoefficient = 1e5;

// Check the header (NAME.wmm) or the coefficients (NAME.wmm.cof) against layout. Throw
// FieldModelError saying what is wrong, naming the file but not its folder; bytes from the file
// are shown printable.
void checkModelHeader(std::string_view text, const ModelLayout& layout = kShippedModel);
void checkModelCoefficients(std::string_view bytes, const ModelLayout& layout = kShippedModel);

// Checks both files in folder, reading only regular files of a bounded size. Throws
// FieldModelError: "cannot load the field model NAME from FOLDER: …" when the header cannot be
// opened, else "the field model in FOLDER is damaged: …".
void checkModelFiles(const std::string& folder, const ModelLayout& layout = kShippedModel);

}  // namespace heading
