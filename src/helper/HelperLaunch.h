// How a user starts the echo helper: by its absolute path, with its two
// channels as its only descriptors, no arguments, no environment and every
// signal at its default; and how it ends it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "wire/HelperMessages.h"

namespace quorvel::helper {

struct HelperProcess {
  pid_t pid = -1;
  int control = -1;  // our end of the control channel
  int data = -1;     // our end of the data channel, for reading only
};

// Starts the helper and waits up to `readyMs` for its ready message, which
// goes to `ready`. nullopt (with errno set) when it cannot be started or
// says nothing; a helper that did start but opened no raw socket is
// returned, its `ready` telling why.
std::optional<HelperProcess> LaunchHelper(const std::string& path, int readyMs,
                                          wire::HelperResult* ready);

// Closes our channels and ends and reaps the helper.
void EndHelper(const HelperProcess& process);

// Waits up to `timeoutMs` for the next result of `kind` on `control`.
std::optional<wire::HelperResult> AwaitHelperResult(int control, wire::HelperMessage kind,
                                                    int timeoutMs);

}  // namespace quorvel::helper
