#pragma once
// One update run on the machine at a time: a scheduled task, a deployment
// tool and a user's double-click may overlap, and two runs would both stop
// the product and run the installer.
#include <cstdint>

#include "framework/win/handles.h"

namespace merovix {

// In the global namespace, so that runs in every session (the system's
// session 0 included) meet. Creating an object there takes a right that
// ordinary users lack, so none of them can hold the name to block updates.
inline constexpr const char* kSingleRunMutexName = "Global\\Merovix_Update_Run";

class SingleRun {
 public:
  enum class State : std::uint8_t {
    Taken,      // this run is the only one
    TakenOver,  // the run before ended without letting go (killed, crashed)
    Busy,       // another run is in progress
    Unknown,    // the mutex could not be made or waited for; `error` says why
  };

  // Takes the mutex without waiting. Held until destruction.
  SingleRun();
  ~SingleRun();
  SingleRun(const SingleRun&) = delete;
  SingleRun& operator=(const SingleRun&) = delete;

  State state() const { return state_; }
  std::uint32_t error() const { return error_; }

 private:
  UniqueHandle mutex_;
  State state_ = State::Unknown;
  std::uint32_t error_ = 0;
};

}  // namespace merovix
