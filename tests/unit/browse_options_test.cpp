#include "browse/browse_options.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

constexpr auto NT = TPlatformFamily::WindowsNT;
constexpr auto Other = TPlatformFamily::Other;

TEST(BrowseOptions, RootTableDiffersOnlyForTheCommonFolders) {
  // The ones that are the same on both families, as the shell numbers them.
  const int same[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                      0x09, 0x0A, 0x0B, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15};
  for (int i = 0; i <= idTemplates; ++i) {
    EXPECT_EQ(RootIDToCSIDL(static_cast<TRootID>(i), NT), same[i]) << i;
    EXPECT_EQ(RootIDToCSIDL(static_cast<TRootID>(i), Other), same[i]) << i;
  }
  EXPECT_EQ(RootIDToCSIDL(idCommonStartMenu, NT), 0x16);
  EXPECT_EQ(RootIDToCSIDL(idCommonStartMenu, Other), 0x0B);
  EXPECT_EQ(RootIDToCSIDL(idCommonPrograms, NT), 0x17);
  EXPECT_EQ(RootIDToCSIDL(idCommonPrograms, Other), 0x02);
  EXPECT_EQ(RootIDToCSIDL(idCommonStartup, NT), 0x18);
  EXPECT_EQ(RootIDToCSIDL(idCommonStartup, Other), 0x07);
  EXPECT_EQ(RootIDToCSIDL(idCommonDesktopDirectory, NT), 0x19);
  EXPECT_EQ(RootIDToCSIDL(idCommonDesktopDirectory, Other), 0x10);
  for (auto family : {NT, Other}) {
    EXPECT_EQ(RootIDToCSIDL(idAppData, family), 0x1A);
    EXPECT_EQ(RootIDToCSIDL(idPrintHood, family), 0x1B);
    EXPECT_EQ(RootIDToCSIDL(idDesktopExpanded, family), 0xFEFE);
    // A value outside the type does not read beyond the table.
    EXPECT_EQ(RootIDToCSIDL(static_cast<TRootID>(200), family), 0x00);
  }
}

TEST(BrowseOptions, FlagsTranslateMemberByMember) {
  const std::uint32_t expected[] = {0x0001, 0x0002, 0x0008, 0x1000, 0x2000, 0x4000,
                                    0x0010, 0x0080, 0x0040, 0x8000, 0x0050};
  for (int i = 0; i < kBrowseFlagCount; ++i) {
    EXPECT_EQ(BrowseFlagsToBIF({static_cast<TBrowseFlag>(i)}), expected[i]) << i;
  }
  EXPECT_EQ(BrowseFlagsToBIF({}), 0u);
  EXPECT_EQ(BrowseFlagsToBIF({bfDirectoriesOnly, bfComputers, bfShareable}), 0x9001u);
  EXPECT_EQ(BrowseFlagsToBIF(TBrowseFlags::FromBits(0x7FF)), 0xF0DBu);
}

TEST(BrowseOptions, TheBrowseAddsValidateWithAnEditBoxAndStatusTextOnRequest) {
  EXPECT_EQ(BrowseCallFlags({bfEditBox}, false), 0x0030u);
  EXPECT_EQ(BrowseCallFlags({}, true), 0x0004u);
  EXPECT_EQ(BrowseCallFlags({bfDirectoriesOnly}, true), 0x0005u);
  EXPECT_EQ(BrowseCallFlags({}, false), 0u);
  // The new UI carries the edit box's bit but is not the edit-box member.
  EXPECT_EQ(BrowseCallFlags({bfUseNewUI}, false), 0x0050u);
}

TEST(BrowseOptions, ImpliedMembersFollowInOrder) {
  EXPECT_EQ(WithImpliedOptions({bfIncludeURLs}),
            TBrowseFlags({bfIncludeFiles, bfEditBox, bfIncludeURLs, bfNewDialogStyle, bfUseNewUI}));
  EXPECT_EQ(WithImpliedOptions({bfShareable}), TBrowseFlags({bfEditBox, bfNewDialogStyle, bfShareable, bfUseNewUI}));
  EXPECT_EQ(WithImpliedOptions({bfUseNewUI}), TBrowseFlags({bfEditBox, bfNewDialogStyle, bfUseNewUI}));
  EXPECT_EQ(WithImpliedOptions({bfEditBox, bfNewDialogStyle}), TBrowseFlags({bfEditBox, bfNewDialogStyle}));
  EXPECT_EQ(WithImpliedOptions({}), TBrowseFlags());
  // An edit box that the new UI brings comes with validation.
  EXPECT_EQ(BrowseCallFlags(WithImpliedOptions({bfShareable}), false), 0x8070u);
}

TEST(BrowseOptions, TheSetHoldsElevenBitsInOrdinalOrder) {
  TBrowseFlags set{bfDirectoriesOnly, bfUseNewUI};
  EXPECT_EQ(set.Bits(), 0x0401);
  set.Exclude(bfDirectoriesOnly);
  EXPECT_EQ(set.Bits(), 0x0400);
  EXPECT_FALSE(set.Contains(bfDirectoriesOnly));
  EXPECT_EQ(TBrowseFlags::FromBits(0xFFFF).Bits(), 0x07FF);
  EXPECT_EQ(sizeof(TBrowseFlags), 2u);
}

}  // namespace
}  // namespace merovix
