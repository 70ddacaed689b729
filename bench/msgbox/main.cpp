// The start-up baseline of the benchmark: a program that only shows a
// message box, built and linked like Update_Merovix.exe (same compiler
// flags, static run-time, same manifest), so that the time to its box is
// what any program of this kind pays before its first dialog.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ::MessageBoxW(nullptr, L"Möchten Sie das Update von Merovix laden und installieren?", L"Bestätigung",
                MB_YESNO | MB_ICONQUESTION);
  return 0;
}
