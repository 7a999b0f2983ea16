// Request heads come from anyone who can reach the remote view. Any input either parses into a
// head whose parts keep the promises the server relies on, or is refused with an HTTP error
// status; nothing reads outside the input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Check.h"
#include "remote/HttpRequestHead.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz::require;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto end = remote::findHeadEnd(input);
    require(!end || *end <= input.size(), "the head ends inside the input");
    remote::HttpRequestHead head;
    const auto error = remote::parseRequestHead(end ? input.substr(0, *end) : input, head);
    if (error) {
        require(error->status >= 400 && error->status <= 505, "an error is an HTTP error status");
        return 0;
    }
    require(!head.path.empty() && head.path.front() == '/', "the path starts with /");
    require(head.path.find('\0') == std::string::npos, "the path holds no NUL");
    require(head.headers.size() <= remote::kMaxHeaders, "the headers are bounded");
    for (const auto& [name, value] : head.headers) {
        require(!name.empty() && fuzz::printable(name), "header names are printable");
        for (char c : name) require(c < 'A' || c > 'Z', "header names are lower case");
    }
    (void)head.queryValue("token");
    (void)head.keepAlive();
    return 0;
}
