#include "platform/kernel/SystemMessage.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/kernel/LastError.h"

namespace {

std::string SystemText(DWORD Code) {
  char Buffer[256];
  const DWORD Length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, Code, 0, Buffer, sizeof Buffer, nullptr);
  return std::string(Buffer, Length);
}

}  // namespace

TEST(SystemMessage, KnownCodesEndWithFullStopAndLineBreak) {
  EXPECT_EQ(SystemText(ERROR_MOD_NOT_FOUND), "The specified module could not be found.\r\n");
  EXPECT_EQ(SystemText(10060), "Connection timed out.\r\n");
  EXPECT_EQ(SystemText(10093),
            "Socket start-up has not been called successfully, or it has been cleaned up.\r\n");
  for (DWORD Code : {2u, 3u, 5u, 11u, 13u, 30u, 87u, 127u, 193u, 1812u, 1813u, 1814u, 10013u,
                     10065u, 11001u, 11004u})
    EXPECT_TRUE(SystemText(Code).ends_with(".\r\n")) << Code;
}

TEST(SystemMessage, UnknownCodeOrShortBufferFails) {
  char Buffer[8];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 4711, 0, Buffer, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 10060, 0, Buffer, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(FormatMessageA(0, nullptr, 10060, 0, Buffer, 8, nullptr), 0u);
}
