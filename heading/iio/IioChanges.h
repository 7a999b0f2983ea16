#pragma once

#include <string>
#include <utility>
#include <vector>

#include "heading/iio/IioFiles.h"

namespace heading {

// Attributes of a device that fluxprobe set, with what they held before, so that everything can
// be put back as it was: the last one set first (the buffer's enable is set last, so it is
// switched off before its elements and trigger are restored).
class IioChanges {
  public:
    IioChanges(AttributeReader read, AttributeWriter write)
        : read_(std::move(read)), write_(std::move(write)) {}
    ~IioChanges() { restore(); }
    IioChanges(const IioChanges&) = delete;
    IioChanges& operator=(const IioChanges&) = delete;

    // Writes value to path unless it holds that already, keeping the old value. Returns 0, or
    // the errno (or kNotRegularFile) of the read or the write that failed.
    int set(const std::string& path, const std::string& value);

    // Puts back every value set, in reverse order; returns what could not be put back
    // ("cannot put back …/buffer/enable (1): No such device"). Nothing is left to restore.
    std::vector<std::string> restore();

    bool empty() const { return done_.empty(); }

  private:
    AttributeReader read_;
    AttributeWriter write_;
    std::vector<std::pair<std::string, std::string>> done_;  // path, old value
};

}  // namespace heading
