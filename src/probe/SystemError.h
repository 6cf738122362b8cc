// The probe engine's failures that are not outcomes of a probe: a system
// call that failed where the engine cannot go on. The message names the call.
#pragma once

#include <string>

#include "rtl/SysUtils.h"

namespace quorvel::probe {

class SystemError : public Exception {
 public:
  // "<call>: <the system's text for error>"
  SystemError(const std::string& call, int error);
  int Error() const { return error_; }

 private:
  int error_;
};

}  // namespace quorvel::probe
