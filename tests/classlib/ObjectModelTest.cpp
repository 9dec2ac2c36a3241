#include "TestComponents.h"

#include "classlib/TypInfo.h"

#include <gtest/gtest.h>

using namespace cl;
using namespace fixture;

namespace {

struct Logged : ::testing::Test {
    std::vector<std::string> events;
    void SetUp() override { TWidget::log = &events; }
    void TearDown() override { TWidget::log = nullptr; }
};

TWidget* Named(TComponent* owner, const char* name)
{
    auto* w = new TWidget(owner);
    w->SetName(name);
    return w;
}

} // namespace

TEST(ClassInfo, NamesAndInheritance)
{
    TFancyWidget w(nullptr);
    EXPECT_EQ(w.ClassName(), "TFancyWidget");
    EXPECT_TRUE(w.InheritsFrom(TWidget::StaticClass()));
    EXPECT_TRUE(w.InheritsFrom(TComponent::StaticClass()));
    EXPECT_TRUE(w.InheritsFrom("tcomponent"));
    EXPECT_TRUE(w.InheritsFrom("TObject"));
    EXPECT_FALSE(w.InheritsFrom(TTestForm::StaticClass()));
    EXPECT_FALSE(TWidget(nullptr).InheritsFrom("TFancyWidget"));
}

TEST(ClassInfo, CreatesRegisteredComponentsByName)
{
    TFancyWidget::StaticClass();
    TComponent owner(nullptr);
    TComponent* c = GetClass("tfancywidget").Create(&owner);
    EXPECT_EQ(c->ClassName(), "TFancyWidget");
    EXPECT_EQ(c->Owner(), &owner);
    EXPECT_EQ(FindClass("TNoSuchClass"), nullptr);
    EXPECT_THROW(GetClass("TNoSuchClass"), EClassNotFound);
    EXPECT_THROW(TStrings::StaticClass().Create(&owner), EClassNotFound);
}

TEST_F(Logged, OwnerFreesItsComponentsLastCreatedFirst)
{
    {
        TComponent owner(nullptr);
        TWidget* a = Named(&owner, "a");
        Named(a, "a1");
        Named(&owner, "b");
        EXPECT_EQ(owner.ComponentCount(), 2);
        EXPECT_EQ(owner.FindComponent("B")->Name(), "b");
        EXPECT_EQ(a->FindComponent("a1")->Owner(), a);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"free b", "free a", "free a1"}));
}

TEST_F(Logged, FreeingAComponentRemovesItFromItsOwner)
{
    TComponent owner(nullptr);
    TWidget* a = Named(&owner, "a");
    Named(&owner, "b");
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.FindComponent("a"), nullptr);
}

TEST(Component, NamesAreIdentifiersUniqueInTheOwner)
{
    TComponent owner(nullptr);
    TWidget* a = Named(&owner, "Same");
    TWidget* b = new TWidget(&owner);
    EXPECT_THROW(b->SetName("same"), EComponentError);
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_THROW(b->SetName("a b"), EComponentError);
    EXPECT_EQ(b->Name(), "");
    b->SetName("_ok9");
    a->SetName("Same"); // renaming to itself is fine
    EXPECT_EQ(owner.FindComponent("_OK9"), b);
}

TEST(Component, FreeNotificationClearsReferencesAcrossOwners)
{
    auto* target = new TWidget(nullptr);
    TComponent otherOwner(nullptr);
    auto* holder = new TWidget(&otherOwner);
    holder->SetBuddy(target);
    delete target;
    EXPECT_EQ(holder->buddy, nullptr);
}

TEST(Component, OwnedComponentsHearOfSiblingRemoval)
{
    TComponent owner(nullptr);
    TWidget* holder = Named(&owner, "holder");
    TWidget* target = Named(&owner, "target");
    holder->buddy = target; // without a free notification, the owner still tells
    delete target;
    EXPECT_EQ(holder->buddy, nullptr);
}

TEST(Persistent, AssignOfUnrelatedClassesIsAConvertError)
{
    TStyle style;
    TStringList list;
    EXPECT_THROW(style.Assign(list), EConvertError);
    TStyle other;
    other.size = 12;
    style.Assign(other);
    EXPECT_EQ(style.size, 12);
}

TEST(Collection, ItemsKnowTheirIndexAndLeaveWhenFreed)
{
    TOwnedCollection<TPin> pins;
    TPin* a = pins.AddItem();
    TPin* b = pins.AddItem();
    EXPECT_EQ(b->Index(), 1);
    delete a;
    EXPECT_EQ(pins.Count(), 1);
    EXPECT_EQ(b->Index(), 0);
    EXPECT_EQ(pins[0], b);
    EXPECT_THROW(pins.Items(3), EListError);
}
