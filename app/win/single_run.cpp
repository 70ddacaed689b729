#include "app/win/single_run.h"

namespace merovix {

SingleRun::SingleRun() : mutex_(CreateMutexA(nullptr, FALSE, kSingleRunMutexName)) {
  if (!mutex_) {
    // ERROR_ACCESS_DENIED: another account's run holds it.
    error_ = GetLastError();
    state_ = error_ == ERROR_ACCESS_DENIED ? State::Busy : State::Unknown;
    return;
  }
  switch (WaitForSingleObject(mutex_.get(), 0)) {
    case WAIT_OBJECT_0: state_ = State::Taken; break;
    case WAIT_ABANDONED: state_ = State::TakenOver; break;
    case WAIT_TIMEOUT: state_ = State::Busy; break;
    default:
      error_ = GetLastError();
      state_ = State::Unknown;
      break;
  }
}

SingleRun::~SingleRun() {
  // Released, not only closed: closed while owned it would tell the next run
  // that this one died.
  if (state_ == State::Taken || state_ == State::TakenOver) ReleaseMutex(mutex_.get());
}

}  // namespace merovix
