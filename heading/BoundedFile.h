#pragma once

#include <cstddef>
#include <string>

namespace heading {

// A small file read whole, or why it was not.
struct BoundedFile {
    enum class Problem {
        None,
        Open,        // error says why it could not be opened
        Read,        // error says why it could not be read (EISDIR for a folder)
        NotRegular,  // a FIFO, a device or a socket: its reads might never end
        TooLarge,    // more than the limit, now or by the time it was read
    };
    Problem problem = Problem::None;
    int error = 0;
    std::string bytes;  // the whole file when there is no problem
};

// Reads path whole if it is a regular file of at most limit bytes. Opened without blocking, so
// that a FIFO in its place cannot hold the caller up in open().
BoundedFile readBoundedFile(const std::string& path, std::size_t limit);

}  // namespace heading
