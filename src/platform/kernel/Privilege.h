// What a program that links a toolkit must never hold: the toolkit loads code
// that the environment names, so with a capability or a set-id bit any local
// user could run code with that right. The program gives all of it up before
// the toolkit starts; pings that need privilege go through the echo helper.
#pragma once

// Whether the process was started with more than its user's own rights: any
// capability, or in the loader's secure mode (set-id, file capabilities).
bool StartedWithPrivilege();

// Gives up every capability, ambient ones included, and takes the real user
// and group back as the effective and saved ones. (A process of root still
// starts programs with root's rights: that is how the echo helper gets its
// socket when root runs us.) Throws std::system_error, naming the call, when
// the system refuses: the program must not go on.
void DropPrivilege();
