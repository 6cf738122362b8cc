#include "platform/winsock/ErrorMap.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/winsock/WinSockTypes.h"

namespace quorvel::winsock {
namespace {

struct Mapping {
  int from;
  int to;
};

// Names a case after the errno it maps, EINTR for instance.
struct ErrnoName {
  std::string operator()(const ::testing::TestParamInfo<Mapping>& info) const {
    const char* name = strerrorname_np(info.param.from);
    return name != nullptr ? name : "NoError";
  }
};

class ErrnoMapping : public ::testing::TestWithParam<Mapping> {};

TEST_P(ErrnoMapping, GivesTheWinSockCode) {
  EXPECT_EQ(WsaErrorFromErrno(GetParam().from), GetParam().to) << "errno " << GetParam().from;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ErrnoMapping,
    ::testing::Values(
        Mapping{EINTR, 10004}, Mapping{EBADF, 10009}, Mapping{EACCES, 10013}, Mapping{EPERM, 10013},
        Mapping{EFAULT, 10014}, Mapping{EINVAL, 10022}, Mapping{EMFILE, 10024},
        Mapping{ENFILE, 10024}, Mapping{EAGAIN, 10035}, Mapping{EINPROGRESS, 10036},
        Mapping{EALREADY, 10037}, Mapping{ENOTSOCK, 10038}, Mapping{EDESTADDRREQ, 10039},
        Mapping{EMSGSIZE, 10040}, Mapping{EPROTOTYPE, 10041}, Mapping{ENOPROTOOPT, 10042},
        Mapping{EPROTONOSUPPORT, 10043}, Mapping{ESOCKTNOSUPPORT, 10044},
        Mapping{EOPNOTSUPP, 10045}, Mapping{EPFNOSUPPORT, 10046}, Mapping{EAFNOSUPPORT, 10047},
        Mapping{EADDRINUSE, 10048}, Mapping{EADDRNOTAVAIL, 10049}, Mapping{ENETDOWN, 10050},
        Mapping{ENETUNREACH, 10051}, Mapping{ENETRESET, 10052}, Mapping{ECONNABORTED, 10053},
        Mapping{ECONNRESET, 10054}, Mapping{ENOBUFS, 10055}, Mapping{ENOMEM, 10055},
        Mapping{EISCONN, 10056}, Mapping{ENOTCONN, 10057}, Mapping{ESHUTDOWN, 10058},
        Mapping{EPIPE, 10058}, Mapping{ETOOMANYREFS, 10059}, Mapping{ETIMEDOUT, 10060},
        Mapping{ECONNREFUSED, 10061}, Mapping{ELOOP, 10062}, Mapping{ENAMETOOLONG, 10063},
        Mapping{EHOSTDOWN, 10064}, Mapping{EHOSTUNREACH, 10065}, Mapping{ENOTEMPTY, 10066},
        Mapping{ENOENT, 10022}, Mapping{EIO, 10022}, Mapping{0, 10022}),
    ErrnoName{});

TEST(SocketErrnoMapping, RefusalOnDatagramSocketIsReset) {
  EXPECT_EQ(WsaErrorFromSocketErrno(ECONNREFUSED, true), WSAECONNRESET);
  EXPECT_EQ(WsaErrorFromSocketErrno(ECONNREFUSED, false), WSAECONNREFUSED);
  EXPECT_EQ(WsaErrorFromSocketErrno(EHOSTUNREACH, true), WSAEHOSTUNREACH);
}

class AddrInfoMapping : public ::testing::TestWithParam<Mapping> {};

TEST_P(AddrInfoMapping, GivesTheWinSockCode) {
  EXPECT_EQ(WsaErrorFromAddrInfo(GetParam().from, EMFILE), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddrInfoMapping,
    ::testing::Values(Mapping{EAI_NONAME, WSAHOST_NOT_FOUND}, Mapping{EAI_AGAIN, WSATRY_AGAIN},
                      Mapping{EAI_FAIL, WSANO_RECOVERY}, Mapping{EAI_NODATA, WSANO_DATA},
                      Mapping{EAI_ADDRFAMILY, WSANO_DATA}, Mapping{EAI_MEMORY, WSAENOBUFS},
                      Mapping{EAI_SYSTEM, WSAEMFILE}, Mapping{EAI_SERVICE, WSANO_RECOVERY}));

}  // namespace
}  // namespace quorvel::winsock
