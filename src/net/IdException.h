// The echo engine's exception family. Each class carries the message the user
// sees; socket errors also carry their code, and library errors the system's.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/SysUtils.h"

class EIdException : public Exception {
 public:
  using Exception::Exception;
};

class EIdSilentException : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
 public:
  using EIdSilentException::EIdSilentException;
};

class EIdInvalidServiceName : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdInvalidSocket : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdSocketError : public EIdException {
 public:
  EIdSocketError(std::int32_t ACode, std::string AMessage)
      : EIdException(std::move(AMessage)), FSocketErrorCode(ACode) {}
  std::int32_t SocketErrorCode() const { return FSocketErrorCode; }

 private:
  std::int32_t FSocketErrorCode;
};

class EIdIcmpException : public EIdException {
 public:
  using EIdException::EIdException;
};

// A failure to load the socket library or to bind one of its functions. The
// message is the base message, then ": " and the system's text for the code.
class EIdWS2StubError : public EIdException {
 public:
  EIdWS2StubError(std::string ABaseMessage, std::uint32_t ASystemErrorCode);
  const std::string& BaseMessage() const { return FBaseMessage; }
  std::uint32_t SystemErrorCode() const { return FSystemErrorCode; }
  const std::string& SystemErrorText() const { return FSystemErrorText; }

 private:
  std::string FBaseMessage;
  std::uint32_t FSystemErrorCode;
  std::string FSystemErrorText;
};

class EIdStackError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdStackInitializationFailed : public EIdStackError {
 public:
  using EIdStackError::EIdStackError;
};

class EIdStackSetSizeExceeded : public EIdStackError {
 public:
  using EIdStackError::EIdStackError;
};

class EIdInvalidIPAddress : public EIdStackError {
 public:
  using EIdStackError::EIdStackError;
};

class EIdSocketHandleError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdPackageSizeTooBig : public EIdSocketHandleError {
 public:
  using EIdSocketHandleError::EIdSocketHandleError;
};

class EIdNotAllBytesSent : public EIdSocketHandleError {
 public:
  using EIdSocketHandleError::EIdSocketHandleError;
};
