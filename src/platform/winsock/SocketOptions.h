// Socket options: translates Windows Sockets levels, names and value layouts
// to their POSIX counterparts and back.
#pragma once

namespace quorvel::winsock {

// Both return 0 or a Windows Sockets error. `type` is the socket's Windows
// Sockets type, which SO_TYPE reports and SO_ERROR's translation needs.
int SetSocketOption(int fd, int level, int name, const char* value, int length);
int GetSocketOption(int fd, int type, int level, int name, char* value, int* length);

}  // namespace quorvel::winsock
