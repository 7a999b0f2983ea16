// A spool file is whatever the disk gives back after a crash, a full disk or a careless hand.
// Any input is read without reading outside it; every minute it yields came from a whole line
// whose checksum held, no more are kept than the bound, each line is either read or counted as
// damaged, and what is kept, written out again, reads back the same with no damage.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Check.h"
#include "publish/SpoolRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz::require;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    constexpr std::size_t kBound = 16;
    const publish::SpoolContents read = publish::readSpool(input, kBound);
    require(read.minutes.size() <= kBound, "the bound holds");
    require(read.damaged <= read.lines, "only lines are damaged");
    require((read.damaged == 0) == (read.firstDamagedLine == 0), "the first damage has a place");
    require(read.firstDamagedLine <= read.lines, "the first damage lies within the input");
    require(fuzz::printable(read.firstDamage), "the reason is printable");
    std::string again;
    for (const auto& minute : read.minutes) {
        require(!minute.payload.empty() && fuzz::printable(minute.payload),
                "a minute's message is one printable line");
        require(input.find(minute.payload) != std::string_view::npos,
                "a minute's message comes from the input");
        again += publish::minuteRecord(minute);
    }
    const publish::SpoolContents reread = publish::readSpool(again, kBound);
    require(reread.damaged == 0 && reread.minutes == read.minutes,
            "what is kept reads back the same");
    return 0;
}
