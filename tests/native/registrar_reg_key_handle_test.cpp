#include <gtest/gtest.h>

#include "registrar/reg_key_handle.h"
#include "tests/native/registrar_fakes.h"

namespace registrar_test {
namespace {

TEST(RegistrarRegKeyHandle, OpenKeepsTheOldHandleUntilANewOneIsHad) {
  FakeRegistry registry;
  registry.AddKey("HKCR\\a");
  registry.AddKey("HKCR\\b");
  {
    RegKeyHandle key(registry);
    EXPECT_EQ(key.Close(), reg::kSuccess) << "closing nothing";
    ASSERT_EQ(key.Open(reg::kClassesRoot, u"a", reg::kKeyRead | 0x100), reg::kSuccess);
    const RegKey a = key.get();
    EXPECT_EQ(key.view_bits(), 0x100u);
    EXPECT_EQ(key.Open(reg::kClassesRoot, u"missing", reg::kKeyRead), reg::kFileNotFound);
    EXPECT_EQ(key.get(), a) << "a failed open leaves the held handle";
    EXPECT_EQ(registry.OpenHandles(), 1);
    bool created = true;
    ASSERT_EQ(key.Create(reg::kClassesRoot, u"b", reg::kKeyReadWrite, &created), reg::kSuccess);
    EXPECT_FALSE(created) << "b was there";
    EXPECT_NE(key.get(), a);
    EXPECT_EQ(key.view_bits(), 0u);
    EXPECT_EQ(registry.OpenHandles(), 1) << "the old handle was closed";
  }
  EXPECT_EQ(registry.OpenHandles(), 0) << "destruction closes";
  EXPECT_EQ(registry.badHandles, 0);
}

TEST(RegistrarRegKeyHandle, BorrowedHandleIsNeverClosed) {
  FakeRegistry registry;
  registry.AddKey("HKCR\\a");
  RegKey parent = reg::kNoKey;
  ASSERT_EQ(registry.OpenKey(reg::kClassesRoot, u"a", reg::kKeyRead, &parent), reg::kSuccess);
  {
    RegKeyHandle borrowed(registry, parent);
    EXPECT_EQ(borrowed.get(), parent);
    EXPECT_EQ(borrowed.Close(), reg::kSuccess);
    EXPECT_EQ(borrowed.get(), reg::kNoKey);
  }
  {
    RegKeyHandle borrowed(registry, parent);
    ASSERT_EQ(borrowed.Open(parent, nullptr, reg::kKeyWrite), reg::kSuccess);
    EXPECT_NE(borrowed.get(), parent) << "reopened as a handle of its own";
  }
  EXPECT_EQ(registry.OpenHandles(), 1) << "only the borrowed handle is still open";
  EXPECT_EQ(registry.CloseKey(parent), reg::kSuccess);
  EXPECT_EQ(registry.badHandles, 0);
}

}  // namespace
}  // namespace registrar_test
