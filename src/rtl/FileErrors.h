// The failures of opening and creating files, with their designed messages;
// each message names the file by its full path.
#pragma once

#include <string>

#include "rtl/SysUtils.h"

// Raised when a file that exists cannot be opened or read.
class EFOpenError : public Exception {
 public:
  explicit EFOpenError(const std::string& FileName)
      : Exception(Format("Cannot open file %s", {FileName})) {}
};

// Raised when a file cannot be created or written.
class EFCreateError : public Exception {
 public:
  explicit EFCreateError(const std::string& FileName)
      : Exception(Format("Cannot create file %s", {FileName})) {}
};
