// The rule the kernel can apply to protected symbolic links, applied by the
// program itself to every file it writes: in a sticky folder that everyone may
// write to (such as /tmp), a link is followed only when it belongs to the user
// or to the folder's owner, so no one can plant a name there that turns a
// write of ours onto a file of theirs choosing.
#pragma once

#include <string>

#include "rtl/SysUtils.h"

// A link on the way to a file that the rule above refuses; the message names
// the link and its folder.
class EPlantedLinkError : public Exception {
 public:
  using Exception::Exception;
};

// FileName as an absolute path with every symbolic link on its way resolved,
// its last part included, so that the file can be opened without following
// any. Raises EPlantedLinkError for a link that the rule refuses, or when
// links lead on through more than 40 others.
std::string UnplantedPath(const std::string& FileName);
