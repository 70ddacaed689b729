#include "framework/win/controls.h"

#include <algorithm>

namespace merovix {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->owned_.push_back(this);
}

void TComponent::DestroyComponents() {
  // Each unlinks itself from owned_ when it goes.
  while (!owned_.empty()) delete owned_.back();
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_ != nullptr) {
    auto& siblings = owner_->owned_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

TWinControl::~TWinControl() {
  if (handle_ != nullptr && ::IsWindow(handle_)) ::DestroyWindow(handle_);
}

HWND TWinControl::Handle() {
  if (handle_ == nullptr) handle_ = CreateHandle();
  return handle_;
}

}  // namespace merovix
