// Painting the pad's grid into an image: one line per entry against the drawing bounded by
// the pad's size. Prints medians and, from the same run, the ratio between the two.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdio>
#include <map>
#include <tuple>

#include "pad/Grid.h"

namespace {

struct Shape {
  int w, h, entries;
};
const Shape kShapes[] = {{617, 235, 128},   {617, 235, 10000},   {617, 235, 100000},
                         {1920, 1080, 128}, {1920, 1080, 10000}, {1920, 1080, 100000}};

void paint(benchmark::State& state, bool plain) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const int n = static_cast<int>(state.range(2));
  QImage img(w, h, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&img);
    plain ? pad::drawGridPlain(painter, w, h, n, n) : pad::drawGrid(painter, w, h, n, n);
    painter.end();
    benchmark::DoNotOptimize(img.constBits());
  }
}

void Plain(benchmark::State& state) {
  paint(state, true);
}
void Fast(benchmark::State& state) {
  paint(state, false);
}

void shapes(benchmark::internal::Benchmark* b) {
  for (const auto& s : kShapes) b->Args({s.w, s.h, s.entries});
  b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
}
BENCHMARK(Plain)->Apply(shapes);
BENCHMARK(Fast)->Apply(shapes);

/// Keeps the medians for the closing table.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::pair<std::string, std::string>, double> medians;  // (name, args) → ms
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs)
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
        medians[{r.run_name.function_name, r.run_name.args}] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

bool samePixels(const Shape& s) {
  QImage a(s.w, s.h, QImage::Format_RGB32), b(s.w, s.h, QImage::Format_RGB32);
  QPainter pa(&a), pb(&b);
  pad::drawGridPlain(pa, s.w, s.h, s.entries, s.entries);
  pad::drawGrid(pb, s.w, s.h, s.entries, s.entries);
  pa.end();
  pb.end();
  return a == b;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-10s %-8s %12s %12s %8s %s\n", "pad", "entries", "plain ms", "fast ms", "ratio",
              "pixels");
  for (const auto& s : kShapes) {
    const std::string args =
        std::to_string(s.w) + "/" + std::to_string(s.h) + "/" + std::to_string(s.entries);
    const auto plain = reporter.medians.find({"Plain", args});
    const auto fast = reporter.medians.find({"Fast", args});
    if (plain == reporter.medians.end() || fast == reporter.medians.end()) continue;
    std::printf("%4d×%-5d %-8d %12.4f %12.4f %8.1f %s\n", s.w, s.h, s.entries, plain->second,
                fast->second, plain->second / fast->second, samePixels(s) ? "identical" : "DIFFER");
  }
  benchmark::Shutdown();
  return 0;
}
