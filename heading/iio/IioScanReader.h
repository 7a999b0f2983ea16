#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace heading {

// Reads whole scans from a buffer's device node (/dev/iio:deviceN), however the bytes arrive:
// a read may end inside a scan, and the rest of it comes with the next.
class IioScanReader {
  public:
    // The node closed: end of data, as a FIFO gives when its writer goes.
    static constexpr int kClosed = -2;

    IioScanReader(std::string path, std::size_t scanBytes);
    ~IioScanReader();
    IioScanReader(const IioScanReader&) = delete;
    IioScanReader& operator=(const IioScanReader&) = delete;

    // Opens the node without blocking; 0 or the errno. Part of a scan read before is dropped.
    int open();
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    struct Batch {
        std::vector<unsigned char> scans;  // whole scans, one after the other
        int error = 0;                     // errno, or kClosed; the node is closed then
    };
    // Waits at most timeout for data and returns every whole scan there is.
    Batch read(std::chrono::milliseconds timeout);

  private:
    std::string path_;
    std::size_t scanBytes_;
    int fd_ = -1;
    std::vector<unsigned char> partial_;  // the start of a scan whose rest has not come yet
};

}  // namespace heading
