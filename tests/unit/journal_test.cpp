#include "app/journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace merovix {
namespace {

using namespace std::string_literals;

const std::string kDir = "C:\\Program Files\\Merovix";
using Names = std::vector<std::string>;

TEST(Journal, WhatIsWrittenReadsBackAlike) {
  StopRecord stopped;
  stopped.services = {"Merovix_Keepalive", "Merovix"};
  stopped.desktop_program = kDir + "\\Merovix.exe";
  stopped.desktop_sessions = {1, 4294967295u};
  stopped.signal_file = kDir + "\\StopService";
  const JournalReading reading = ReadJournalText(JournalText(stopped), kDir);
  EXPECT_EQ(reading.stopped.services, stopped.services);
  EXPECT_EQ(reading.stopped.desktop_program, stopped.desktop_program);
  EXPECT_EQ(reading.stopped.desktop_sessions, stopped.desktop_sessions);
  EXPECT_EQ(reading.stopped.signal_file, stopped.signal_file);
  EXPECT_TRUE(reading.refused.empty());
  EXPECT_EQ(JournalText({}), "");
}

// Whoever could write the journal gets no more than a run could stop.
TEST(Journal, HostileContentNamesNothingARunWouldNotStop) {
  struct Case {
    std::string text;
    Names services;
    std::string desktop;
    std::size_t refused;
  };
  const std::string exe = kDir + "\\Merovix.exe";
  for (const Case& c : {
           Case{"service=WinDefend\nservice=Merovix stop\nservice=Merovix\"x\nservice=\n", {}, "", 4},
           Case{"service=Merovix\r\nservice=MEROVIX\rservice=Merovix\0x\n"s, {"Merovix"}, "", 1},
           Case{"desktop=C:\\Windows\\System32\\cmd.exe\ndesktop=" + kDir + "\\..\\Merovix.exe\n", {}, "", 2},
           Case{"desktop=" + kDir + "\\Merovix.exe /evil\nsignal=C:\\Windows\\win.ini\n", {}, "", 2},
           Case{"DESKTOP=" + exe + "\n=\nservice\nsession=-1\nsession=99999999999\nsession=1 \n", {}, "", 6},
           Case{"desktop=" + exe + "\nsession=7\n\n\n", {}, exe, 0},
           Case{std::string(kJournalTextMax + 1, 'a'), {}, "", 1},
           Case{"service=Merovix_" + std::string(300, 'a') + "\n", {}, "", 1},
       }) {
    SCOPED_TRACE(c.text.substr(0, 80));
    const JournalReading reading = ReadJournalText(c.text, kDir);
    EXPECT_EQ(reading.stopped.services, c.services);
    EXPECT_EQ(reading.stopped.desktop_program, c.desktop);
    EXPECT_TRUE(reading.stopped.signal_file.empty());
    EXPECT_EQ(reading.refused.size(), c.refused);
    for (const std::string& line : reading.refused) {
      EXPECT_LE(line.size(), 123u);
      EXPECT_EQ(line.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
    }
  }
  // Without an installation folder no program is taken, and a session
  // without its program names nothing.
  const JournalReading no_dir = ReadJournalText("desktop=\\Merovix.exe\nsession=3\nsignal=\\StopService\n", "");
  EXPECT_TRUE(no_dir.stopped.desktop_program.empty() && no_dir.stopped.signal_file.empty());
  EXPECT_TRUE(no_dir.stopped.desktop_sessions.empty());
  std::string many;
  for (int i = 0; i < 20; ++i) many += "service=Merovix_" + std::to_string(i) + "\n";
  EXPECT_EQ(ReadJournalText(many, kDir).stopped.services.size(), kJournalServicesMax);
  std::string sessions = "desktop=" + exe + "\n";
  for (int i = 0; i < 20; ++i) sessions += "session=" + std::to_string(i % 12) + "\n";
  EXPECT_EQ(ReadJournalText(sessions, kDir).stopped.desktop_sessions,
            (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
}

}  // namespace
}  // namespace merovix
