#include "rtl/Classes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records its name in a shared journal when it is freed.
class TJournalled : public TComponent {
 public:
  TJournalled(TComponent* AOwner, const char* AName, std::vector<std::string>& AJournal)
      : TComponent(AOwner), FJournal(AJournal) {
    SetName(AName);
  }
  ~TJournalled() override { FJournal.push_back(Name()); }

 private:
  std::vector<std::string>& FJournal;
};

}  // namespace

TEST(ComponentOwnership, OwnerFreesWhatItOwnsAfterItselfNewestFirst) {
  std::vector<std::string> Journal;
  {
    TJournalled Owner(nullptr, "owner", Journal);
    new TJournalled(&Owner, "first", Journal);
    auto* Second = new TJournalled(&Owner, "second", Journal);
    new TJournalled(Second, "grandchild", Journal);
    EXPECT_EQ(Owner.ComponentCount(), 2);
    EXPECT_EQ(Second->Owner(), &Owner);
  }
  EXPECT_EQ(Journal, (std::vector<std::string>{"owner", "second", "grandchild", "first"}));
}

TEST(ComponentOwnership, FreedComponentLeavesItsOwner) {
  std::vector<std::string> Journal;
  TJournalled Owner(nullptr, "owner", Journal);
  auto* First = new TJournalled(&Owner, "first", Journal);
  auto* Second = new TJournalled(&Owner, "second", Journal);
  delete First;
  ASSERT_EQ(Owner.ComponentCount(), 1);
  EXPECT_EQ(Owner.Components(0), Second);
  EXPECT_EQ(Journal, std::vector<std::string>{"first"});
}

TEST(ComponentDesignMode, AComponentMadeByAnOwnerInDesignModeIsInDesignModeToo) {
  TComponent Form(nullptr);
  TComponent Running(&Form);
  EXPECT_FALSE(Running.Designing());
  Form.SetDesigning(true);
  TComponent Designed(&Form);
  TComponent Grandchild(&Designed);
  TComponent Unowned(nullptr);
  EXPECT_TRUE(Designed.Designing());
  EXPECT_TRUE(Grandchild.Designing());
  EXPECT_FALSE(Running.Designing()) << "made before, it keeps its own mode";
  EXPECT_FALSE(Unowned.Designing());
}
