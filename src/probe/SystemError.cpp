#include "probe/SystemError.h"

#include <cstring>

namespace quorvel::probe {

SystemError::SystemError(const std::string& call, int error)
    : Exception(call + ": " + std::strerror(error)), error_(error) {}

}  // namespace quorvel::probe
