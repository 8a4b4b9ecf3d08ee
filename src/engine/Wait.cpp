#include "engine/Wait.h"

#include <chrono>
#include <thread>

namespace engine {

void SleepWaiter::wait(long long ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace engine
