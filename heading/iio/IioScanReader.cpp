#include "heading/iio/IioScanReader.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace heading {

IioScanReader::IioScanReader(std::string path, std::size_t scanBytes)
    : path_(std::move(path)), scanBytes_(scanBytes) {}

IioScanReader::~IioScanReader() {
    close();
}

int IioScanReader::open() {
    close();
    do fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR);
    return fd_ < 0 ? errno : 0;
}

void IioScanReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    partial_.clear();
}

IioScanReader::Batch IioScanReader::read(std::chrono::milliseconds timeout) {
    Batch batch;
    if (fd_ < 0) {
        batch.error = EBADF;
        return batch;
    }
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
    if (ready < 0 && errno != EINTR) batch.error = errno;
    if (ready <= 0) {
        if (batch.error != 0) close();
        return batch;
    }
    batch.scans = std::move(partial_);
    partial_.clear();
    // What there is now: a short read has emptied the node, so no read is spent to hear EAGAIN.
    const std::size_t chunk = scanBytes_ * 64;
    for (int reads = 0; reads < 16; ++reads) {
        const std::size_t have = batch.scans.size();
        batch.scans.resize(have + chunk);
        ssize_t n;
        do n = ::read(fd_, batch.scans.data() + have, chunk);
        while (n < 0 && errno == EINTR);
        batch.scans.resize(have + static_cast<std::size_t>(n > 0 ? n : 0));
        if (n < 0 && errno != EAGAIN) batch.error = errno;
        if (n == 0) batch.error = kClosed;
        if (n < static_cast<ssize_t>(chunk)) break;
    }
    const std::size_t whole = batch.scans.size() / scanBytes_ * scanBytes_;
    partial_.assign(batch.scans.begin() + static_cast<std::ptrdiff_t>(whole), batch.scans.end());
    batch.scans.resize(whole);
    if (batch.error != 0) close();
    return batch;
}

}  // namespace heading
