#include "net/IdComponent.h"

#include <gtest/gtest.h>

#include "net/IdGlobal.h"
#include "net/IdStackWindows.h"
#include "rtl/SysUtils.h"

namespace {

int StacksCreated = 0;

std::unique_ptr<TIdStack> CountingCreate() {
  ++StacksCreated;
  return TIdStackWindows::Create();
}

class SharedStackLife : public testing::Test {
 protected:
  void SetUp() override {
    StacksCreated = 0;
    StackClass = &CountingCreate;
  }
  void TearDown() override { StackClass = &TIdStackWindows::Create; }
};

}  // namespace

TEST_F(SharedStackLife, FirstUserCreatesItAndLastUserFreesIt) {
  ASSERT_EQ(SharedStack, nullptr);
  TComponent Owner(nullptr);
  auto* First = new TIdComponent(&Owner);
  TIdStack* const Stack = SharedStack.get();
  ASSERT_NE(Stack, nullptr);
  auto* Second = new TIdComponent(&Owner);
  EXPECT_EQ(SharedStack.get(), Stack);
  EXPECT_EQ(StacksCreated, 1);
  EXPECT_EQ(StackUserCount(), 2);

  delete First;
  EXPECT_EQ(SharedStack.get(), Stack);
  EXPECT_EQ(StackUserCount(), 1);
  delete Second;
  EXPECT_EQ(SharedStack, nullptr);
  EXPECT_EQ(StackUserCount(), 0);
  EXPECT_TRUE(WinsockStarted());
}

TEST_F(SharedStackLife, NewUserAfterAllWereFreedCreatesANewStack) {
  delete new TIdComponent(nullptr);
  EXPECT_EQ(SharedStack, nullptr);
  {
    TIdComponent Again(nullptr);
    EXPECT_NE(SharedStack, nullptr);
  }
  EXPECT_EQ(StacksCreated, 2);
}

TEST_F(SharedStackLife, OwnedUsersAreFreedWithTheirOwner) {
  {
    TComponent Window(nullptr);
    auto* Client = new TIdComponent(&Window);
    new TIdComponent(Client);
    EXPECT_EQ(StackUserCount(), 2);
  }
  EXPECT_EQ(StackUserCount(), 0);
  EXPECT_EQ(SharedStack, nullptr);
}

TEST_F(SharedStackLife, FailedCreationLeavesCountAndStackAsTheyWere) {
  StackClass = []() -> std::unique_ptr<TIdStack> { throw Exception("no stack today"); };
  TComponent Owner(nullptr);
  EXPECT_THROW(new TIdComponent(&Owner), Exception);
  EXPECT_EQ(StackUserCount(), 0);
  EXPECT_EQ(SharedStack, nullptr);
  EXPECT_EQ(Owner.ComponentCount(), 0);
}
