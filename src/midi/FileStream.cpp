#include "midi/FileStream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace midi {
namespace {

constexpr double kFileRate = 44100;

std::int64_t steadyNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void putLe(std::FILE* f, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

/// The 44-byte header of a 16-bit stereo WAV file holding dataBytes.
void writeWavHeader(std::FILE* f, std::uint32_t dataBytes) {
  std::fputs("RIFF", f);
  putLe(f, 36 + dataBytes, 4);
  std::fputs("WAVEfmt ", f);
  putLe(f, 16, 4);
  putLe(f, 1, 2);  // PCM
  putLe(f, 2, 2);
  putLe(f, static_cast<std::uint32_t>(kFileRate), 4);
  putLe(f, static_cast<std::uint32_t>(kFileRate) * 4, 4);
  putLe(f, 4, 2);
  putLe(f, 16, 2);
  std::fputs("data", f);
  putLe(f, dataBytes, 4);
}

class FileStream : public AudioOut {
 public:
  FileStream(std::string path, std::uint32_t quantum, double ppm)
      : path_(std::move(path)), quantum_(std::max<std::uint32_t>(quantum, 1)), ppm_(ppm) {}
  ~FileStream() override { stop(); }

  bool start(RenderFn render, ReportFn report) override {
    stop();
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) {
      if (report) report("cannot create the audio file " + path_);
      return false;
    }
    wav_ = endsWith(path_, ".wav");
    if (wav_) writeWavHeader(file_, 0);
    running_ = true;
    thread_ = std::thread([this, render = std::move(render)] { run(render); });
    return true;
  }

  void stop() override {
    if (!thread_.joinable()) return;
    running_ = false;
    thread_.join();
    if (wav_) {
      const long size = std::ftell(file_);
      std::fseek(file_, 0, SEEK_SET);
      writeWavHeader(file_, static_cast<std::uint32_t>(std::max(size - 44, 0L)));
    }
    std::fclose(file_);
    file_ = nullptr;
  }

  std::uint32_t bufferFrames() const override { return thread_.joinable() ? quantum_ : 0; }
  double rate() const override { return kFileRate; }
  std::string name() const override { return "file"; }

 private:
  void run(const RenderFn& render) {
    std::vector<float> left(quantum_), right(quantum_);
    std::vector<std::int16_t> out(2 * std::size_t{quantum_});
    // The simulated device plays frame n at start + n / (rate · (1 + ppm)).
    const double nsPerFrame = 1e9 / (kFileRate * (1 + ppm_ * 1e-6));
    const std::int64_t start = steadyNow();
    for (std::int64_t frame = 0; running_; frame += quantum_) {
      const auto heard =
          start + static_cast<std::int64_t>(std::llround(static_cast<double>(frame) * nsPerFrame));
      std::this_thread::sleep_until(
          std::chrono::steady_clock::time_point(std::chrono::nanoseconds(heard)));
      render(AudioBuffer{left.data(), right.data(), 1, quantum_, heard, kFileRate});
      for (std::size_t i = 0; i < quantum_; ++i) {
        out[2 * i] = toSample(left[i]);
        out[2 * i + 1] = toSample(right[i]);
      }
      std::fwrite(out.data(), sizeof out[0], out.size(), file_);
    }
  }

  static std::int16_t toSample(float value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
  }

  std::string path_;
  std::uint32_t quantum_;
  double ppm_;
  std::FILE* file_ = nullptr;
  bool wav_ = false;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<AudioOut> openFileStream(std::string path, std::uint32_t quantum, double ppm) {
  return std::make_unique<FileStream>(std::move(path), quantum, ppm);
}

}  // namespace midi
