#pragma once
// A top-level form and a push button on plain Win32 windows.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/win/controls.h"

namespace merovix {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;

class TButton;

// Where a window stands and how large it is, in pixels (CreateWindow's
// x, y, nWidth, nHeight; not a RECT's right and bottom).
struct Bounds {
  int left, top, width, height;
};

class TForm : public TWinControl {
 public:
  // `window_class` names the window class (the form's class name); the
  // caption is UTF-8.
  TForm(TComponent* owner, std::wstring window_class, std::string caption);
  ~TForm() override;

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);

  // Shows the form (creating its window and buttons), which activates it.
  void Show();
  // Asks the form to close: OnClose, then the window is destroyed (and the
  // program ends when it is the main form).
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnActivate;
  TCloseEvent OnClose;

 protected:
  // Derived forms call this at the end of their constructor: runs OnCreate
  // once the form is completely constructed.
  void DoCreate();
  HWND CreateHandle() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Stores one of the four figures and moves the window when it exists.
  void SetBound(int Bounds::*field, int value);
  DWORD WindowStyle() const;

  friend class TButton;
  std::vector<TButton*> buttons_;
  std::wstring window_class_;
  std::string caption_;
  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  Bounds bounds_{CW_USEDEFAULT, CW_USEDEFAULT, 640, 480};
};

class TButton : public TWinControl {
 public:
  // A push button on `parent` at the given place (client coordinates).
  TButton(TForm* parent, std::string caption, Bounds bounds, bool is_default);
  ~TButton() override;

  // Runs OnClick as a click of the user would.
  void Click();
  TNotifyEvent OnClick;

 protected:
  HWND CreateHandle() override;

 private:
  TForm* parent_;
  std::string caption_;
  Bounds bounds_;
  bool is_default_;
};

}  // namespace merovix
