// Start-up bookkeeping: the library serves calls only between a WSAStartup
// and the WSACleanup that balances the last one.
#pragma once

namespace quorvel::winsock {

void EnterSession();
// False when there was no start-up to balance. The last one closes every
// socket still open.
bool LeaveSession();
bool InSession();

}  // namespace quorvel::winsock
