#pragma once

class QTcpSocket;

namespace remote {

// Ends a connection so that the client reads it to its end. Once everything queued has gone to
// the system, writing is shut (the client sees the end of the stream after the last byte), and
// whatever the client still sends is read and thrown away until it closes its side: closing
// with unread input would reset the connection and lose the answer on its way. The caller
// aborts the socket if the client never closes. Call once.
void closeAfterSending(QTcpSocket& socket);

}  // namespace remote
