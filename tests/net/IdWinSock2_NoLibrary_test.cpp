// Built into a folder without the socket library, so that loading it fails.
#include <gtest/gtest.h>

#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdWinSock2.h"

TEST(MissingLibrary, FirstStackUserRaisesTheLoadErrorAndChangesNothing) {
  for (int Attempt = 0; Attempt < 2; ++Attempt) {
    try {
      TIdComponent Client(nullptr);
      FAIL() << "no exception";
    } catch (const EIdWS2StubError& E) {
      EXPECT_EQ(E.SystemErrorCode(), 126u);
      EXPECT_EQ(E.BaseMessage(), "Error on loading Winsock2 library (WS2_32.DLL)");
      EXPECT_EQ(E.SystemErrorText(), "The specified module could not be found");
      EXPECT_EQ(E.Message(),
                "Error on loading Winsock2 library (WS2_32.DLL): The specified module could not be "
                "found");
    }
    EXPECT_EQ(IdWinSock2::WinsockLibrary(), nullptr);
    EXPECT_EQ(StackUserCount(), 0);
    EXPECT_EQ(SharedStack, nullptr);
  }
}

TEST(MissingLibrary, ErrorWithoutSystemCodeIsTheBaseMessageAlone) {
  const EIdWS2StubError E("Error on call Winsock2 library function x", 0);
  EXPECT_EQ(E.Message(), "Error on call Winsock2 library function x");
  EXPECT_TRUE(E.SystemErrorText().empty());
}
