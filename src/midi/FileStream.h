// An audio stream that is a file: rendered in real time by a thread of its own, as a device
// would ask for it, for tests and benchmarks.
#pragma once

#include <memory>
#include <string>

#include "midi/AudioOut.h"

namespace midi {

/// A paced stream writing 16-bit stereo at 44.1 kHz to path: a WAV file when the name ends in
/// ".wav", raw samples otherwise; created afresh at each start. quantum frames per buffer;
/// ppm: how much faster (negative: slower) its simulated device clock runs than the steady
/// clock. start() is false when the file cannot be created.
std::unique_ptr<AudioOut> openFileStream(std::string path, std::uint32_t quantum, double ppm);

}  // namespace midi
