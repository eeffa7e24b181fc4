#include "support/registry.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kx {
namespace {

constexpr const char* kKey = "Software\\Halvex\\Korvalinx\\Settings";

TEST(Registry, EmptyTextIsStoredAsOneBlankAndHandedBack) {
  MemoryRegistryStore store;
  std::string data;
  EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "ResourceFilter", data));
  EXPECT_EQ(data, " ");
  EXPECT_EQ(store.Read(HKEY_CURRENT_USER, kKey, "ResourceFilter")->text, " ");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "ResourceFilter"), " ");

  std::string other = "Bau";
  EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar", other));
  EXPECT_EQ(other, "Bau");
}

TEST(Registry, ReadingAMissingKeyGivesEmptyTextAndCreatesNothing) {
  MemoryRegistryStore store;
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Color"), "");
  EXPECT_FALSE(store.KeyExists(HKEY_CURRENT_USER, kKey));
  std::string v = "5";
  SetRegString(store, HKEY_CURRENT_USER, kKey, "Color", v);
  EXPECT_TRUE(store.KeyExists(HKEY_CURRENT_USER, kKey));
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "PlanType"), "");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, "Software\\Halvex", "Color"), "");
}

TEST(Registry, ReadLimitOf1024BytesWithTheEndZero) {
  MemoryRegistryStore store;
  std::string fits(1023, 'x');
  std::string tooLong(1024, 'x');
  SetRegString(store, HKEY_CURRENT_USER, kKey, "Fits", fits);
  SetRegString(store, HKEY_CURRENT_USER, kKey, "TooLong", tooLong);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Fits"), fits);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "TooLong"), "");
  // Multi-byte characters count with their bytes.
  std::string umlauts;
  for (int i = 0; i < 512; ++i) umlauts += "ü";
  SetRegString(store, HKEY_CURRENT_USER, kKey, "Umlauts", umlauts);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Umlauts"), "");
}

TEST(Registry, TextIsCutAtItsFirstZeroAndTypesAreRead) {
  MemoryRegistryStore store;
  std::string withZero("Bau\0Halle", 9);
  SetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar", withZero);
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar"), "Bau");

  store.Write(HKEY_CURRENT_USER, kKey, "Expand", {REG_EXPAND_SZ, "%HOME%\\x", 0});
  store.Write(HKEY_CURRENT_USER, kKey, "Five", {REG_DWORD, "", 5});
  store.Write(HKEY_CURRENT_USER, kKey, "AllBits", {REG_DWORD, "", 0xFFFFFFFFu});
  store.Write(HKEY_CURRENT_USER, kKey, "Binary", {3, "\x01\x02", 0});
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Expand"), "%HOME%\\x");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Five"), "5");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "AllBits"), "-1");
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Binary"), "");
}

TEST(Registry, TextsStayUtf8AndNamesIgnoreLetterCase) {
  MemoryRegistryStore store;
  std::string name = "Müller-Łukasz";
  EXPECT_TRUE(SetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar", name));
  EXPECT_EQ(GetRegString(store, HKEY_CURRENT_USER, kKey, "Calendar"), "Müller-Łukasz");
  EXPECT_EQ(
      GetRegString(store, HKEY_CURRENT_USER, "software\\halvex\\korvalinx\\settings", "CALENDAR"),
      "Müller-Łukasz");
  EXPECT_EQ(GetRegString(store, HKEY_LOCAL_MACHINE, kKey, "Calendar"), "");
}

TEST(Registry, FailedWriteIsReportedAndBoolTexts) {
  MemoryRegistryStore store;
  store.FailWrites(true);
  std::string v = "1";
  EXPECT_FALSE(SetRegString(store, HKEY_CURRENT_USER, kKey, "PlanType", v));
  EXPECT_EQ(store.ValueCount(), 0u);
  EXPECT_EQ(BoolToText(true), "1");
  EXPECT_EQ(BoolToText(false), "0");
}

TEST(Registry, DefaultStoreServesTheCallsWithoutAStore) {
  auto store = std::make_shared<MemoryRegistryStore>();
  SetDefaultRegistry(store);
  std::string v = "2";
  EXPECT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, "PlanDuration", v));
  EXPECT_EQ(GetRegString(*store, HKEY_CURRENT_USER, kKey, "PlanDuration"), "2");
  EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, kKey, "PlanDuration"), "2");
  SetDefaultRegistry(nullptr);
  EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, kKey, "PlanDuration"), "");
}

}  // namespace
}  // namespace kx
