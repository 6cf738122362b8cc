#include "net/IdWinSock2.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "net/IdException.h"
#include "net/IdStackWindows.h"

using namespace IdWinSock2;

TEST(FunctionTable, HoldsTheRowsInTheirFixedOrder) {
  const std::pair<TWinsockRow, const char*> Rows[] = {
      {wr_WSACleanup, "WSACleanup"},
      {wr_socket, "socket"},
      {wr_getprotobyname, "getprotobyname"},
      {wr___WSAFDIsSet, "__WSAFDIsSet"},
      {wr_WSAProviderConfigChange, "WSAProviderConfigChange"},
      {wr_WSADuplicateSocket, "WSADuplicateSocketA"},
      {wr_WSASetService, "WSASetServiceA"},
      {wr_TransmitFile, "TransmitFile"},
      {wr_WSARecvEx, "WSARecvEx"},
  };
  const std::size_t Indices[] = {0, 23, 30, 45, 95, 96, 107, 108, 111};
  for (std::size_t I = 0; I < std::size(Rows); ++I) {
    EXPECT_EQ(Rows[I].first, Indices[I]);
    EXPECT_STREQ(WinsockFunctionTable[Rows[I].first].ExportName, Rows[I].second);
  }
  // The plain names of the twelve ANSI/wide pairs bind the ANSI export.
  for (std::size_t Row = 96; Row < 108; ++Row) {
    const std::string Name = WinsockFunctionTable[Row].ExportName;
    EXPECT_TRUE(Name.ends_with('A')) << Name;
  }
}

TEST(Loader, CallBeforeTheLibraryIsLoadedRaisesNotInitialised) {
  ASSERT_EQ(WinsockLibrary(), nullptr);
  try {
    IdWinSock2::socket(2, 3, 1);
    FAIL() << "no exception";
  } catch (const EIdWS2StubError& E) {
    EXPECT_EQ(E.SystemErrorCode(), 10093u);
    EXPECT_EQ(E.BaseMessage(), "Error on call Winsock2 library function socket");
    EXPECT_EQ(E.Message(),
              "Error on call Winsock2 library function socket: Socket start-up has not been "
              "called successfully, or it has been cleaned up");
  }
  // The slot still holds its stub, so a later call can bind.
  EXPECT_EQ(reinterpret_cast<FARPROC>(IdWinSock2::socket), WinsockFunctionTable[wr_socket].Stub);
}

TEST(Loader, EachExportIsBoundOnceOnFirstCall) {
  TWSAData Data{};
  ASSERT_EQ(StartWinsock(0x0202, &Data), 0);
  EXPECT_EQ(Data.wVersion, 0x0202);
  const HMODULE Library = WinsockLibrary();
  ASSERT_NE(Library, nullptr);
  EXPECT_EQ(reinterpret_cast<FARPROC>(IdWinSock2::htons), WinsockFunctionTable[wr_htons].Stub);

  EXPECT_EQ(IdWinSock2::htons(0x1234), 0x3412);
  void* const Export = dlsym(Library, "htons");
  EXPECT_EQ(reinterpret_cast<void*>(IdWinSock2::htons), Export);
  EXPECT_EQ(IdWinSock2::htons(0x0102), 0x0201);
  EXPECT_EQ(reinterpret_cast<void*>(IdWinSock2::htons), Export);
  // Rows that were never called keep their stubs.
  EXPECT_EQ(reinterpret_cast<FARPROC>(IdWinSock2::recv), WinsockFunctionTable[wr_recv].Stub);
}

TEST(Loader, StartingTwiceLoadsOnce) {
  TWSAData Data{};
  ASSERT_EQ(StartWinsock(0x0202, &Data), 0);
  const HMODULE First = WinsockLibrary();
  ASSERT_EQ(StartWinsock(0x0202, &Data), 0);
  EXPECT_EQ(WinsockLibrary(), First);
  EXPECT_EQ(IdWinSock2::WSACleanup(), 0);
  EXPECT_EQ(IdWinSock2::WSACleanup(), 0);
}

TEST(Loader, UnloadReleasesAndResetsEverySlot) {
  TWSAData Data{};
  ASSERT_EQ(StartWinsock(0x0202, &Data), 0);
  IdWinSock2::ntohs(1);
  UnloadWinsock();
  EXPECT_EQ(WinsockLibrary(), nullptr);
  EXPECT_EQ(reinterpret_cast<FARPROC>(IdWinSock2::ntohs), WinsockFunctionTable[wr_ntohs].Stub);
  EXPECT_THROW(IdWinSock2::ntohs(1), EIdWS2StubError);
}
