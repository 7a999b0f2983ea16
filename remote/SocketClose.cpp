#include "remote/SocketClose.h"

#include <sys/socket.h>

#include <QTcpSocket>

namespace remote {

void closeAfterSending(QTcpSocket& socket) {
    const auto shutWhenSent = [&socket] {
        if (socket.bytesToWrite() == 0 && socket.socketDescriptor() >= 0)
            ::shutdown(static_cast<int>(socket.socketDescriptor()), SHUT_WR);
    };
    QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, shutWhenSent);
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&socket] { socket.readAll(); });
    socket.readAll();
    shutWhenSent();
}

}  // namespace remote
