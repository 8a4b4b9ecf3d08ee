#include "midi/FluidDriver.h"

#include <fluidsynth.h>

#include <chrono>
#include <cmath>

#include "midi/CallbackClock.h"

namespace midi {
namespace {

class FluidDriver : public AudioOut {
 public:
  FluidDriver(fluid_settings_t* settings, std::string name, std::uint32_t quantum)
      : settings_(settings), name_(std::move(name)), quantum_(quantum) {}
  ~FluidDriver() override { stop(); }

  bool start(RenderFn render, ReportFn) override {
    stop();
    fluid_settings_setstr(settings_, "audio.driver", name_.c_str());
    fluid_settings_setint(settings_, "audio.period-size", static_cast<int>(quantum_));
    fluid_settings_setint(settings_, "audio.periods", 2);  // the least that plays without gaps
    render_ = std::move(render);
    clock_ = CallbackClock();
    driver_ = new_fluid_audio_driver2(settings_, &callback, this);
    return driver_ != nullptr;
  }
  void stop() override {
    if (driver_) delete_fluid_audio_driver(driver_);  // joins the driver's thread
    driver_ = nullptr;
  }
  std::uint32_t bufferFrames() const override { return driver_ ? quantum_ : 0; }
  double rate() const override {
    double rate = 44100;
    fluid_settings_getnum(settings_, "synth.sample-rate", &rate);
    return rate;
  }
  std::string name() const override { return name_; }

 private:
  static int callback(void* self, int len, int, float*[], int nout, float* out[]) {
    auto* d = static_cast<FluidDriver*>(self);
    if (len <= 0 || nout < 2) return FLUID_OK;
    const double rate = d->rate();
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    const auto span = static_cast<std::int64_t>(std::llround(len * 1e9 / rate));
    const auto heard = d->clock_.heardAt(now, span);
    d->render_(AudioBuffer{out[0], out[1], 1, static_cast<std::uint32_t>(len), heard, rate});
    return FLUID_OK;
  }

  fluid_settings_t* settings_;
  std::string name_;
  std::uint32_t quantum_;
  RenderFn render_;
  fluid_audio_driver_t* driver_ = nullptr;
  CallbackClock clock_;  // driver thread only
};

}  // namespace

std::unique_ptr<AudioOut> openFluidDriver(fluid_settings_t* settings, std::string name,
                                          std::uint32_t quantum) {
  return std::make_unique<FluidDriver>(settings, std::move(name), quantum);
}

}  // namespace midi
