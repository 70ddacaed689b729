#include "app/win/journal_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/journal.h"
#include "framework/win/handles.h"

namespace merovix::test {
namespace {

void SetRawValue(DWORD type, const std::string& bytes) {
  UniqueRegKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                            key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key.get(), kJournalValue, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
}

// The journal outlives the test otherwise: the test bed's prefix is shared.
struct JournalStoreTest : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(RemoveJournalValue()); }
  void TearDown() override { RemoveJournalValue(); }
};

TEST_F(JournalStoreTest, WrittenReadAndRemovedAndNothingWhenAbsent) {
  EXPECT_FALSE(ReadJournalValue());
  EXPECT_TRUE(RemoveJournalValue()) << "removing an absent journal is no failure";
  ASSERT_TRUE(WriteJournalValue("service=Merovix_Keepalive\nservice=Merovix\n"));
  EXPECT_EQ(ReadJournalValue(), "service=Merovix_Keepalive\nservice=Merovix\n");
  ASSERT_TRUE(WriteJournalValue("service=Merovix\n"));
  EXPECT_EQ(ReadJournalValue(), "service=Merovix\n");
  EXPECT_TRUE(RemoveJournalValue());
  EXPECT_FALSE(ReadJournalValue());
}

// What the reader hands on: empty for a value that is not text, longer than
// the limit for one past it, so that the journal's reading refuses it.
TEST_F(JournalStoreTest, AValueThatIsNotTextOrTooLongIsNotPassedOnAsItIs) {
  SetRawValue(REG_BINARY, std::string("service=Merovix\n\0", 17));
  EXPECT_EQ(ReadJournalValue(), "");
  SetRawValue(REG_MULTI_SZ, std::string("service=Merovix\0\0", 17));
  EXPECT_EQ(ReadJournalValue(), "");
  SetRawValue(REG_SZ, std::string(kJournalTextMax + 100, 'x'));
  const std::optional<std::string> overlong = ReadJournalValue();
  ASSERT_TRUE(overlong);
  EXPECT_GT(overlong->size(), kJournalTextMax);
  SetRawValue(REG_SZ, "service=Merovix");  // without its terminating zero
  EXPECT_EQ(ReadJournalValue(), "service=Merovix");
}

}  // namespace
}  // namespace merovix::test
