#pragma once

#include <QString>

namespace core {

// The system calls the ports make on their open descriptors beside Qt:
// locking a device, asking what the system still holds, the state of a TCP
// connection. Each answers "nothing" where the system cannot tell.

// Takes the lock other serial terminals take on a device (flock, exclusive,
// without waiting); false with the system's reason when another holds it.
bool lockDeviceExclusive(int fd, QString &error);

// Whether the user may both read and write the device of that path.
bool mayReadAndWrite(const QString &path);

// Bytes the system holds for reading that the program has not fetched yet.
int bytesQueuedForReading(int fd);

// Bytes the system still has to put on the line (a pseudo-terminal reports
// none: its reader takes them).
int bytesQueuedForWriting(int fd);

// Whether the device still answers on the descriptor (one that went away,
// an adapter pulled or a pseudo-terminal hung up, no longer does).
bool lineAnswers(int fd);

// Whether a write would be taken within timeoutMs.
bool waitWritable(int fd, int timeoutMs);

// TCP keep-alive timing: idle seconds before the first probe, seconds
// between probes, and probes lost before the connection counts as gone.
void setTcpKeepAlive(int fd, int idleS, int intervalS, int count);

// Whether the other end of a connection has closed or it failed, known to the
// system before Qt's next event.
bool peerHungUp(int fd);

} // namespace core
