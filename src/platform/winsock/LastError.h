// The calling thread's last error, as WSAGetLastError reports it.
#pragma once

namespace quorvel::winsock {

int LastError();
void SetLastError(int error);

}  // namespace quorvel::winsock
