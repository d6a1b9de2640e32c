#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/rtl/TestShapes.h"

namespace rtltest {
namespace {

class TAbstractThing : public TPersistent {
  RTL_CLASS(TAbstractThing, TPersistent)
public:
  virtual void Run() = 0;
};

// Another class that claims the name TShape.
class TImpostor : public TPersistent {
  RTL_CLASS(TImpostor, TPersistent)
};

// Writes down, from BeforeDestruction, a member of the most derived class and how many
// components it still owns: both are there only while the object is whole.
class TWitness : public TComponent {
  RTL_CLASS(TWitness, TComponent)
public:
  TWitness(TComponent* AOwner, std::vector<std::string>* Log) : TComponent(AOwner), log_(Log) {}
  void BeforeDestruction() override {
    log_->push_back(label_ + std::to_string(ComponentCount()));
    inherited::BeforeDestruction();
  }

private:
  std::vector<std::string>* log_;
  std::string label_ = "whole, owning ";
};

class TFailsToConstruct : public TObject {
public:
  TFailsToConstruct() { throw EInvalidOperation("no"); }
  std::vector<int> data_ = std::vector<int>(8);
};

}  // namespace

TClass TAbstractThing::StaticClass() {
  static const TClassInfo info = DefineClass<TAbstractThing>().Build();
  return &info;
}

TClass TImpostor::StaticClass() {
  static const TClassInfo info = DefineClass<TImpostor>("TSHAPE").Build();
  return &info;
}

TClass TWitness::StaticClass() {
  static const TClassInfo info = DefineClass<TWitness>().Build();
  return &info;
}

namespace {

TEST(TObjectClass, MetadataNamesTheClassAndItsAncestry) {
  TCircle c(nullptr);
  EXPECT_EQ("TCircle", c.ClassName());
  EXPECT_EQ(TShape::StaticClass(), c.ClassType()->Parent);
  EXPECT_TRUE(c.Is<TComponent>());
  EXPECT_TRUE(c.InheritsFrom(TPersistent::StaticClass()));
  EXPECT_FALSE(c.Is<TFill>());
  EXPECT_FALSE(TShape::StaticClass()->InheritsFrom(TCircle::StaticClass()));
  EXPECT_EQ(nullptr, TObject::StaticClass()->Parent);
}

TEST(TObjectRegistry, CreatesRegisteredClassesByName) {
  RegisterClasses({TShape::StaticClass(), TCircle::StaticClass(), TFill::StaticClass(), TAbstractThing::StaticClass()});
  RegisterClass(TShape::StaticClass());  // again: harmless
  EXPECT_EQ(TCircle::StaticClass(), GetClass("tcircle"));
  EXPECT_EQ(nullptr, GetClass("TSquare"));
  try {
    FindClass("TSquare");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ("Class TSquare not found", e.what());
  }
  EXPECT_THROW(RegisterClass(TImpostor::StaticClass()), EFilerError);
  EXPECT_EQ(TShape::StaticClass(), GetClass("TShape"));

  TShape owner(nullptr);
  TObject* circle = CreateObjectByName("TCircle", &owner).release();  // the virtual constructor gets the owner
  ASSERT_TRUE(circle->Is<TCircle>());
  EXPECT_EQ(50, static_cast<TCircle*>(circle)->Opacity());  // the class's own constructor ran
  EXPECT_EQ(&owner, static_cast<TCircle*>(circle)->Owner());
  EXPECT_EQ(circle, owner.Components(0));

  std::unique_ptr<TObject> fill = CreateObjectByName("TFill");
  EXPECT_EQ("TFill", fill->ClassName());
  EXPECT_THROW(CreateObjectByName("TAbstractThing"), EInvalidOperation);

  UnRegisterClass(TCircle::StaticClass());
  EXPECT_EQ(nullptr, GetClass("TCircle"));
}

TEST(TObjectFree, EveryWayOfFreeingRunsBeforeDestructionOnTheWholeObject) {
  std::vector<std::string> log;
  auto make = [&](TComponent* owner) {
    auto* w = new TWitness(owner, &log);
    new TShape(w);  // owned by it: still there while it is whole
    return w;
  };
  make(nullptr)->Free();
  delete make(nullptr);
  delete static_cast<TObject*>(make(nullptr));
  { std::unique_ptr<TPersistent> held(make(nullptr)); }
  {
    TShape owner(nullptr);
    make(&owner);
  }  // its owner frees it
  EXPECT_EQ(log, std::vector<std::string>(5, "whole, owning 1"));
  // A constructor that raises gives the memory back (the leak check would see it).
  EXPECT_THROW(std::make_unique<TFailsToConstruct>(), EInvalidOperation);
}

TEST(TPersistentAssign, CopiesKnownSourcesAndRefusesOthersWithTheLibraryMessage) {
  TFill a, b;
  b.SetColor(5);
  a.Assign(&b);
  EXPECT_EQ(5, a.Color());
  TPersistent plain;
  try {
    a.Assign(&plain);
    FAIL() << "Assign did not raise";
  } catch (const EConvertError& e) {
    EXPECT_STREQ("Cannot assign a TPersistent to a TFill", e.what());
  }
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
  EXPECT_EQ(5, a.Color());
  EXPECT_EQ("TFill", a.GetNamePath());
}

}  // namespace
}  // namespace rtltest
