#include "browse/win/browse_dialog.h"
#include "browse_support.h"

#include <gtest/gtest.h>

namespace merovix::test {
namespace {

// A static control of known width with the GUI font.
class FittingControl : public ::testing::Test {
 protected:
  void SetUp() override {
    control_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 120, 20, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(control_, nullptr);
    ::SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  void TearDown() override { ::DestroyWindow(control_); }

  int WidthInControl(const std::string& text) const { return TextWidthInControl(control_, text); }

  HWND control_ = nullptr;
};

TEST_F(FittingControl, PathsAndTextsAreShortenedToTheControlsWidthInItsFont) {
  const std::string path = "C:\\Programme\\Merovix\\Installationsdateien\\Aktualisierung\\Ziel";
  ASSERT_GT(WidthInControl(path), 120);
  const std::string fitted_path = FitPathToWidth(control_, path);
  EXPECT_LE(WidthInControl(fitted_path), 120) << fitted_path;
  EXPECT_EQ(fitted_path.substr(0, 3), "C:\\") << fitted_path;
  EXPECT_NE(fitted_path.find("...\\"), std::string::npos) << fitted_path;
  EXPECT_EQ(fitted_path.substr(fitted_path.size() - 5), "\\Ziel");

  const std::string text = "Bitte waehlen Sie den Ordner, in den das Update geladen wird";
  const std::string fitted_text = FitTextToWidth(control_, text);
  EXPECT_LE(WidthInControl(fitted_text), 120) << fitted_text;
  ASSERT_GT(fitted_text.size(), 3u);
  EXPECT_EQ(fitted_text.substr(fitted_text.size() - 3), "...");
  EXPECT_EQ(text.rfind(fitted_text.substr(0, fitted_text.size() - 3), 0), 0u);
  // One character more would not have fitted.
  const std::string longer = text.substr(0, fitted_text.size() - 2) + "...";
  EXPECT_GT(WidthInControl(longer), 120);

  EXPECT_EQ(FitPathToWidth(control_, "C:\\Kurz"), "C:\\Kurz");
  EXPECT_EQ(FitTextToWidth(control_, "Kurz"), "Kurz");
}

TEST_F(FittingControl, NoControlLeavesTheTextAsItIs) {
  const std::string path(300, 'x');
  EXPECT_EQ(FitPathToWidth(nullptr, "C:\\" + path), "C:\\" + path);
  EXPECT_EQ(FitTextToWidth(nullptr, path), path);
  EXPECT_EQ(GetTextWidth(nullptr, "abc"), 0);
}

TEST(DirExists, DriveRootsComeFromTheDriveMask) {
  const DWORD drives = ::GetLogicalDrives();
  ASSERT_TRUE(drives & (1u << 2)) << "drive C: expected";
  EXPECT_TRUE(DirExists("C:\\"));
  EXPECT_TRUE(DirExists("c:\\"));
  EXPECT_FALSE(DirExists("1:\\"));
  EXPECT_FALSE(DirExists("[:\\"));  // the character after "Z"
  EXPECT_FALSE(DirExists(""));
  char missing = 0;
  for (char letter = 'Q'; letter <= 'Y' && missing == 0; ++letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) missing = letter;
  }
  ASSERT_NE(missing, 0);
  EXPECT_FALSE(DirExists(std::string(1, missing) + ":\\"));
  EXPECT_FALSE(DirExists(std::string(1, missing) + ":\\Daten"));
  // The error mode is back as it was.
  const UINT before = ::SetErrorMode(0);
  ::SetErrorMode(before);
  DirExists(std::string(1, missing) + ":\\Daten");
  EXPECT_EQ(::SetErrorMode(before), before);
}

TEST(DirExists, FoldersCountFilesAndHiddenFoldersDoNot) {
  TempFolder temp;
  const std::string folder = temp.Folder("Daten");
  EXPECT_TRUE(DirExists(folder));
  EXPECT_TRUE(DirExists(folder + "\\"));
  EXPECT_FALSE(DirExists(folder + "\\\\"));
  EXPECT_FALSE(DirExists(temp.File("Daten\\setup.exe")));
  EXPECT_FALSE(DirExists(temp.Path() + "\\Fehlt"));
  EXPECT_FALSE(DirExists(temp.Path() + "\\Dat*"));  // a pattern names no folder

  const std::string hidden = temp.Folder("Versteckt");
  ASSERT_TRUE(::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(DirExists(hidden));
  const std::string system = temp.Folder("System");
  ASSERT_TRUE(::SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
  EXPECT_FALSE(DirExists(system));
}

TEST(BrowseCall, RootsFollowTheNtColumnOnThisPlatform) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(::GetVersionExA(&version));
  const bool nt = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  EXPECT_EQ(RootIDToCSIDL(idCommonPrograms), nt ? 0x17 : 0x02);
  EXPECT_EQ(RootIDToCSIDL(idDesktopExpanded), 0xFEFE);
}

struct CallbackLog {
  int calls = 0;
  UINT error_mode = 0xdeadbeef;
};

int CALLBACK CancelAtOnce(HWND dialog, UINT message, LPARAM, LPARAM data) {
  auto* log = reinterpret_cast<CallbackLog*>(data);
  ++log->calls;
  if (message == BFFM_INITIALIZED) {
    log->error_mode = ::SetErrorMode(0);
    ::SetErrorMode(log->error_mode);
    PressButton(dialog, IDCANCEL);
  }
  return 0;
}

TEST(BrowseCall, WithoutTheBufferNoDialogIsShown) {
  CountingMalloc allocator;
  allocator.fail_alloc = true;
  CallbackLog log;
  BrowseRequest request;
  request.callback = &CancelAtOnce;
  request.callback_data = reinterpret_cast<LPARAM>(&log);
  BrowseResult result;
  result.path = "alt";
  int image = 42;
  DialogWatchdog watchdog;
  EXPECT_FALSE(BrowseDirectory(&allocator, request, result, image));
  EXPECT_EQ(log.calls, 0);
  EXPECT_EQ(result.path, "");
  EXPECT_EQ(result.item_list, nullptr);
  EXPECT_EQ(image, 42);
  EXPECT_TRUE(allocator.freed.empty());
}

TEST(BrowseCall, ACancelledBrowseGivesEverythingBack) {
  CountingMalloc allocator;
  CallbackLog log;
  BrowseRequest request;
  request.root = idPersonal;  // a root list to give back
  request.callback = &CancelAtOnce;
  request.callback_data = reinterpret_cast<LPARAM>(&log);
  BrowseResult result;
  int image = 42;
  const UINT before = ::SetErrorMode(0);
  ::SetErrorMode(before & ~SEM_FAILCRITICALERRORS);
  {
    DialogWatchdog watchdog;
    EXPECT_FALSE(BrowseDirectory(&allocator, request, result, image));
    EXPECT_FALSE(watchdog.Fired());
  }
  EXPECT_GE(log.calls, 1);
  EXPECT_EQ(log.error_mode & SEM_FAILCRITICALERRORS, static_cast<UINT>(SEM_FAILCRITICALERRORS));
  EXPECT_EQ(::SetErrorMode(before), before & ~SEM_FAILCRITICALERRORS);
  EXPECT_EQ(result.item_list, nullptr);
  EXPECT_EQ(image, 42);
  EXPECT_EQ(allocator.Outstanding(), 0u);
  // The buffer and the root list went back through the allocator.
  EXPECT_EQ(allocator.freed.size(), 2u);
}

}  // namespace
}  // namespace merovix::test
