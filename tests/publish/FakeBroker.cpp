#include "FakeBroker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace publishtest {

namespace {

bool readExactly(int fd, unsigned char* data, std::size_t size, const std::atomic<bool>& stop) {
    std::size_t got = 0;
    while (got < size) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) == 0) {
            if (stop) return false;
            continue;
        }
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

FakeBroker::FakeBroker(Mode mode, bool keep) : mode_(mode), keep_(keep) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 4);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

FakeBroker::~FakeBroker() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

std::vector<FakeBroker::Publish> FakeBroker::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void FakeBroker::serve() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        ++connections_;
        converse(fd);
        ::close(fd);
    }
}

void FakeBroker::converse(int fd) {
    for (;;) {
        unsigned char header = 0;
        if (!readExactly(fd, &header, 1, stop_)) return;
        std::size_t length = 0;
        for (int shift = 0; shift < 28; shift += 7) {
            unsigned char b = 0;
            if (!readExactly(fd, &b, 1, stop_)) return;
            length |= static_cast<std::size_t>(b & 0x7f) << shift;
            if (!(b & 0x80)) break;
        }
        std::vector<unsigned char> body(length);
        if (length && !readExactly(fd, body.data(), length, stop_)) return;
        const int type = header >> 4;
        if (type == 1) {  // CONNECT
            const unsigned char connack[] = {0x20, 0x02, 0x00, 0x00};
            if (::write(fd, connack, sizeof connack) != sizeof connack) return;
            while (mode_ == Mode::Stall && !stop_) ::usleep(10'000);
        } else if (type == 12) {  // PINGREQ
            const unsigned char pingresp[] = {0xd0, 0x00};
            if (::write(fd, pingresp, sizeof pingresp) != sizeof pingresp) return;
        } else if (type == 3 && length >= 2) {  // PUBLISH
            Publish publish;
            publish.qos = (header >> 1) & 3;
            publish.dup = header & 0x08;
            const std::size_t topicLength = (std::size_t{body[0]} << 8) | body[1];
            std::size_t at = 2 + topicLength + (publish.qos ? 2 : 0);
            if (at > length) return;
            publish.topic.assign(body.begin() + 2,
                                 body.begin() + 2 + static_cast<long>(topicLength));
            publish.payload.assign(body.begin() + static_cast<long>(at), body.end());
            ++count_;
            if (keep_) {
                std::lock_guard lock(mutex_);
                received_.push_back(publish);
            }
            if (mode_ == Mode::Drop && publish.qos > 0) return;
        } else if (type == 14) {  // DISCONNECT
            return;
        }
    }
}

}  // namespace publishtest
