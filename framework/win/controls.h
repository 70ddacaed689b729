#pragma once
// Components and controls of the framework: a component may own others and
// frees them with itself; a windowed control has a window handle, created on
// demand.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace merovix {

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  // True while a designer edits the component; never in the program.
  bool Designing() const { return false; }

  std::string Name;
  long Tag = 0;

 protected:
  // Frees the owned components now, newest first; derived classes call it
  // before their own parts are gone.
  void DestroyComponents();

 private:
  friend class TComponentOwnership;
  TComponent* owner_;
  std::vector<TComponent*> owned_;
};

// An event that only names its sender.
using TNotifyEvent = std::function<void(TComponent* sender)>;

class TWinControl : public TComponent {
 public:
  using TComponent::TComponent;
  ~TWinControl() override;
  // The control's window, created on first use.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Forgets a window that the system has destroyed (with its parent).
  void DetachHandle() { handle_ = nullptr; }

 protected:
  virtual HWND CreateHandle() = 0;

 private:
  HWND handle_ = nullptr;
};

}  // namespace merovix
