#include "common/transfer_commands.h"

#include <gtest/gtest.h>

#include "common/paths.h"

namespace merovix {
namespace {

using namespace std::string_literals;

TEST(TransferCommands, CurlIsRecognisedByItsFileNameAlone) {
  EXPECT_TRUE(IsCurlTool("C:\\Windows\\system32\\curl.exe"));
  EXPECT_TRUE(IsCurlTool("C:\\Windows\\system32\\CuRl.ExE"));
  EXPECT_FALSE(IsCurlTool("C:\\curl.exe\\wget.exe"));
  EXPECT_FALSE(IsCurlTool("C:\\Tools\\curl.exe.bak"));
}

TEST(TransferCommands, CalvorintexFolderHandsOverToItsParent) {
  EXPECT_EQ(ToolFolder("C:\\Programme\\Calvorintex"), "C:\\Programme");
  EXPECT_EQ(ToolFolder("C:\\Programme\\CALVORINTEX"), "C:\\Programme");
  EXPECT_EQ(ToolFolder("C:\\Calvorintex"), "C:");
  EXPECT_EQ(ToolFolder("C:\\Programme\\Merovix"), "C:\\Programme\\Merovix");
  EXPECT_EQ(ToolFolder("C:\\Calvorintex\\Merovix"), "C:\\Calvorintex\\Merovix");
}

TEST(TransferCommands, OnlyHttpsUrlsThatNothingOnACommandLineInterpretsAreSafe) {
  EXPECT_TRUE(IsSafeUrl("https://localhost:47443/fileadmin/files/merovix/Merovix_Update_.exe"));
  EXPECT_TRUE(IsSafeUrl("https://host/get.php?file=Merovix_Update_.exe"));
  EXPECT_TRUE(IsSafeUrl("HTTPS://host/Merovix_Update_.exe"));
  for (const char* other_scheme : {"Merovix_Update_.exe", "http://h/Merovix_Update_.exe", "ftp://h/x.exe",
                                   "file:///C:/x.exe", "file://h/x.exe", "//h/x.exe", "https:/h/x.exe", "https://",
                                   "https:///x.exe", "xhttps://h/x.exe", "https", "\\\\h\\s\\x.exe"}) {
    EXPECT_FALSE(IsSafeUrl(other_scheme)) << other_scheme;
  }
  for (const char* hostile :
       {"", "https://h/a b.exe", "https://h/a\tb.exe", "https://h/a\"b.exe", "https://h/x.exe&calc.exe",
        "https://h/x.exe|calc", "https://h/x.exe>C:\\x", "https://h/x.exe<C:\\x", "https://h/x^.exe",
        "https://h/%PATH%.exe", "https://h/x!.exe", "https://h/(x).exe", "https://h/[1-9].exe", "https://h/{a,b}.exe",
        "-o C:\\evil.exe", "--config=x", "https://h/a\\b.exe", "https://h/\xE4.exe", "https://h/x.exe\r\ncalc"}) {
    EXPECT_FALSE(IsSafeUrl(hostile)) << hostile;
  }
  EXPECT_FALSE(IsSafeUrl("https://h/x\0y.exe"s));
}

TEST(TransferCommands, FileNameIsTheUrlAfterItsLastSlash) {
  EXPECT_EQ(DownloadFileName("https://h/fileadmin/files/merovix/Merovix_Update_.exe"), "Merovix_Update_.exe");
  EXPECT_EQ(DownloadFileName("Merovix_Update_.exe"), "Merovix_Update_.exe");
  EXPECT_EQ(DownloadFileName("https://h/a%20b.exe?x=1"), "a%20b.exe?x=1");
  EXPECT_EQ(DownloadFileName("https://h/dir/"), "");
  EXPECT_TRUE(IsUsableFileName("Merovix_Update_.exe"));
  for (const char* bad : {"", ".", "..", "a.exe?x=1", "a:b", "a*b", "a\"b", "a<b", "a>b", "a|b", "a\\b", "a\x01"}) {
    EXPECT_FALSE(IsUsableFileName(bad)) << bad;
  }
}

TEST(TransferCommands, TargetFolderDropsTheLastSegmentAndAllTrailingBackslashes) {
  EXPECT_EQ(DownloadTargetFolder("C:\\Data\\Downloads", "C:\\P"), "C:\\Data");
  EXPECT_EQ(DownloadTargetFolder("C:\\Data\\Downloads\\", "C:\\P"), "C:\\Data\\Downloads");
  EXPECT_EQ(DownloadTargetFolder("C:\\Data\\Merovix_Update_.exe", "C:\\P"), "C:\\Data");
  // A drive root chosen in the browse dialog comes with a doubled backslash.
  EXPECT_EQ(DownloadTargetFolder("C:\\\\Merovix_Update_.exe", "C:\\P"), "C:");
  EXPECT_EQ(DownloadTargetFolder("C:\\Merovix_Update_.exe", "C:\\P"), "C:");
  EXPECT_EQ(DownloadTargetFolder("", "C:\\P"), "C:\\P");
  EXPECT_EQ(DownloadTargetFolder("Merovix_Update_.exe", "C:\\P"), "C:\\P");
  EXPECT_EQ(JoinPath(DownloadTargetFolder("D:\\\\x", "C:\\P"), "a.exe"), "D:\\a.exe");
}

TEST(TransferCommands, CommandLinesPutTheUrlUnquotedAndThePathsQuoted) {
  const std::string url = "https://localhost:47443/fileadmin/files/merovix/Merovix_Update_.exe";
  EXPECT_EQ(CurlFetchParameters("C:\\Program Files\\Merovix\\Merovix_Update_.exe.part", url, {60, 4194304}),
            "-R -u diagnose:TiloWemaGrub5_ --connect-timeout 2 --speed-limit 100 --speed-time 30 --max-time 60 "
            "--max-filesize 4194304 --fail -L "
            "--proto =https --proto-redir =https -o "
            "\"C:\\Program Files\\Merovix\\Merovix_Update_.exe.part\" " +
                url + " --ssl-no-revoke");
  EXPECT_EQ(WgetFetchParameters("C:\\Merovix_Update_.exe.wget", url, true),
            "--http-user=diagnose --http-password=TiloWemaGrub5_ --timeout=2 --tries=2 -N -P "
            "\"C:\\Merovix_Update_.exe.wget\" --no-check-certificate " +
                url);
  EXPECT_EQ(WgetFetchParameters("C:\\P\\LoadAndRun.ini.wget", "https://h/LoadAndRun.ini", false),
            "--http-user=diagnose --http-password=TiloWemaGrub5_ --timeout=2 --tries=2 -P "
            "\"C:\\P\\LoadAndRun.ini.wget\" --no-check-certificate https://h/LoadAndRun.ini");
  EXPECT_EQ(HeaderQueryCommand("C:\\Windows\\system32\\curl.exe", url, "C:\\Windows\\system32\\findstr.exe"),
            "\"C:\\Windows\\system32\\curl.exe\" --proto =https --proto-redir =https --connect-timeout 2 --max-time "
            "10 "
            "-u diagnose:TiloWemaGrub5_ -sI " +
                url + " | \"C:\\Windows\\system32\\findstr.exe\" Last-Modified:");
  EXPECT_EQ(CurlPartialFile("C:\\a.exe", "0f3c"), "C:\\a.exe.0f3c.part");
  EXPECT_EQ(WgetStagingFolder("C:\\a.exe", "0f3c"), "C:\\a.exe.0f3c.wget");
}

}  // namespace
}  // namespace merovix
