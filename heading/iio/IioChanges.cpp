#include "heading/iio/IioChanges.h"

#include "heading/Numbers.h"

namespace heading {

int IioChanges::set(const std::string& path, const std::string& value) {
    const AttributeRead old = read_(path);
    if (old.error != 0) return old.error;
    const std::string was(trimSpaces(old.text.substr(0, old.text.find('\n'))));
    if (was == value) return 0;
    if (const int error = write_(path, value); error != 0) return error;
    done_.emplace_back(path, was);
    return 0;
}

std::vector<std::string> IioChanges::restore() {
    std::vector<std::string> failed;
    for (auto it = done_.rbegin(); it != done_.rend(); ++it)
        if (const int error = write_(it->first, it->second); error != 0)
            failed.push_back("cannot put back " + it->first + " (" + it->second +
                             "): " + describeReadError(error));
    done_.clear();
    return failed;
}

}  // namespace heading
