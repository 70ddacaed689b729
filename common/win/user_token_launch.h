#pragma once
// Starting the desktop program with another user's token: the unelevated
// token of the desktop's shell, or under the system account the token of the
// user logged on at the console.
#include <cstdint>
#include <string>

#include "common/desktop_start.h"
#include "framework/win/handles.h"

namespace merovix {

class WindowsDesktopStart : public DesktopStartOperations {
 public:
  TokenFacts UpdaterToken() override;
  bool TakeShellToken(TokenFacts& facts, std::string& reason) override;
  std::optional<std::uint32_t> ConsoleSession() override;
  bool TakeSessionUserToken(std::uint32_t session, TokenFacts& facts, std::string& reason) override;
  bool StartWithTakenToken(const std::string& exe, std::uint16_t show, std::string& reason) override;
  bool StartAsUpdater(const std::string& exe, std::uint16_t show) override;

 private:
  UniqueHandle token_;  // a primary token
  // The token is the shell's: started through the secondary logon unless
  // this process may assign primary tokens itself.
  bool shell_token_ = false;
};

}  // namespace merovix
