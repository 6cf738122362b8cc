#include "platform/kernel/SystemMessage.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/kernel/LastError.h"

namespace {

// Codes that have a POSIX counterpart take the C library's text for it; the
// socket codes follow the BSD numbering above 10000.
struct TErrnoMessage {
  DWORD Code;
  int Errno;
};

constexpr TErrnoMessage ErrnoMessages[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_INVALID_HANDLE, EBADF},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {10004, EINTR},
    {10009, EBADF},
    {10013, EACCES},
    {10014, EFAULT},
    {10022, EINVAL},
    {10024, EMFILE},
    {10035, EWOULDBLOCK},
    {10036, EINPROGRESS},
    {10037, EALREADY},
    {10038, ENOTSOCK},
    {10039, EDESTADDRREQ},
    {10040, EMSGSIZE},
    {10041, EPROTOTYPE},
    {10042, ENOPROTOOPT},
    {10043, EPROTONOSUPPORT},
    {10044, ESOCKTNOSUPPORT},
    {10045, EOPNOTSUPP},
    {10046, EPFNOSUPPORT},
    {10047, EAFNOSUPPORT},
    {10048, EADDRINUSE},
    {10049, EADDRNOTAVAIL},
    {10050, ENETDOWN},
    {10051, ENETUNREACH},
    {10052, ENETRESET},
    {10053, ECONNABORTED},
    {10054, ECONNRESET},
    {10055, ENOBUFS},
    {10056, EISCONN},
    {10057, ENOTCONN},
    {10058, ESHUTDOWN},
    {10059, ETOOMANYREFS},
    {10060, ETIMEDOUT},
    {10061, ECONNREFUSED},
    {10062, ELOOP},
    {10063, ENAMETOOLONG},
    {10064, EHOSTDOWN},
    {10065, EHOSTUNREACH},
    {10066, ENOTEMPTY},
};

struct TTextMessage {
  DWORD Code;
  const char* Text;
};

constexpr TTextMessage TextMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_BAD_FORMAT, "The file is not an executable image of a known format."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_BAD_EXE_FORMAT, "The file is not a shared library that this system can load."},
    {ERROR_MR_MID_NOT_FOUND, "The system cannot find message text for the message number."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, "The specified image file did not contain a resource section."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND,
     "The specified resource type cannot be found in the image file."},
    {ERROR_RESOURCE_NAME_NOT_FOUND,
     "The specified resource name cannot be found in the image file."},
    {10091, "The network subsystem is not ready for network communication."},
    {10092, "The requested version of the socket library is not supported."},
    {10093, "Socket start-up has not been called successfully, or it has been cleaned up."},
    {11001, "No such host is known."},
    {11002, "A temporary failure occurred in name resolution; the name server did not answer."},
    {11003, "A non-recoverable error occurred during a name lookup."},
    {11004, "The requested name is valid, but no data of the requested type was found."},
};

const char* MessageText(DWORD Code) {
  for (const TTextMessage& M : TextMessages)
    if (M.Code == Code) return M.Text;
  for (const TErrnoMessage& M : ErrnoMessages)
    if (M.Code == Code) return std::strerror(M.Errno);
  return nullptr;
}

}  // namespace

DWORD FormatMessageA(DWORD Flags, const void* /*Source*/, DWORD MessageId, DWORD /*LanguageId*/,
                     char* Buffer, DWORD Size, void* /*Arguments*/) {
  const char* Text = (Flags & FORMAT_MESSAGE_FROM_SYSTEM) != 0 ? MessageText(MessageId) : nullptr;
  if (Text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  std::string Line(Text);
  // The C library's texts carry no full stop; system messages end with one.
  if (!Line.ends_with('.')) Line += '.';
  Line += "\r\n";
  if (Buffer == nullptr || Line.size() + 1 > Size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(Buffer, Line.c_str(), Line.size() + 1);
  return static_cast<DWORD>(Line.size());
}
