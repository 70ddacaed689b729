#pragma once
// The folder test and the status-text fitting of the browse dialog, measured
// in a control's own font. Texts are ANSI.
#include <windows.h>

#include <string>
#include <string_view>

#include "browse/path_fitting.h"

namespace merovix {

// True when the path names an existing folder that is neither hidden nor a
// system folder. A drive root ("C:\") is judged by the logical-drive mask
// alone, so a drive without a medium is never touched; no system message box
// shows up for one either way.
bool DirExists(const std::string& path);

// The text's width in pixels in the font selected into `dc`; 0 on failure.
int GetTextWidth(HDC dc, std::string_view text);

// The fitting loops of path_fitting.h against the control's window width and
// font. A control handle of 0 or a missing device context leaves the text as it is.
std::string FitPathToWidth(HWND control, const std::string& text);
std::string FitTextToWidth(HWND control, const std::string& text);

}  // namespace merovix
