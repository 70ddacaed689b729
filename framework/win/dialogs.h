#pragma once
// The framework's modal message dialogs. Texts are UTF-8 and shown through
// the wide-character APIs, so the German captions and buttons read correctly
// on any Windows language.
#include <string_view>

namespace merovix {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : unsigned { mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3 };
using TMsgDlgButtons = unsigned;  // a set of TMsgDlgBtn

// Modal results.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7;

// A modal dialog centred on the screen; the type sets caption and icon
// ("Warnung", "Fehler", "Information", "Bestätigung"). Returns the modal
// result of the button pressed; Escape and closing give the cancel result.
// In an unattended application nothing is shown, and the cancel result comes
// back at once (the same for ShowMessage).
int MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons, int help_context,
               TMsgDlgBtn default_button);

// The plain message: captioned with the application title, one "OK" button,
// centred, modal.
void ShowMessage(std::string_view text);

}  // namespace merovix
