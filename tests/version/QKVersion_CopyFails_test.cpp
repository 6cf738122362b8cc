// The reader against a version library whose copy fails after its size query
// succeeded, as when the file changes between the two calls.
#include <gtest/gtest.h>

#include <memory>

#include "platform/kernel/LastError.h"
#include "platform/version/Version.h"
#include "version/QKVersion.h"

namespace {
int Queries = 0;
}

DWORD GetFileVersionInfoSizeA(const char*, DWORD* Handle) {
  *Handle = 0;
  return 512;
}

BOOL GetFileVersionInfoA(const char*, DWORD, DWORD, void*) {
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return 0;
}

BOOL VerQueryValueA(const void*, const char*, void**, UINT*) {
  ++Queries;
  return 0;
}

TEST(QKVersionCopyFails, LooksUpNothingAndReportsLikeAFileWithoutVersion) {
  const auto Owner = std::make_unique<TComponent>(nullptr);
  auto* Version = new TQKVersion(Owner.get());
  int Reports = 0;
  Version->OnError = [&](TComponent* Sender) {
    EXPECT_EQ(Sender, Version);
    ++Reports;
  };
  Version->SetFileName("changing.exe");
  EXPECT_EQ(Queries, 0);
  EXPECT_EQ(Reports, 1);
  EXPECT_EQ(Version->LastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(Version->VersionText(), "0.0.0.0");
}
