// The real wait of the note clock.
#pragma once

#include "app/Services.h"

namespace engine {

/// Waits with the thread blocked for the note's length.
class SleepWaiter : public Waiter {
 public:
  void wait(long long ms) override;
};

}  // namespace engine
