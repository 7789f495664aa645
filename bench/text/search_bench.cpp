// Searching and replacing in a 1 MB page of mostly Chinese code page 936 text,
// each beside a plain byte search over the same page. The character walk is the
// price of never matching on a trail byte; the ratios show what it costs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/literal.h"
#include "text/primitives.h"

namespace {

const Text& page() {
  static const Text built = [] {
    const Text line = "第一话 漫画图片加载中，请稍候。本站漫画均来自网友上传，仅供学习交流。"_gbk +
                      "<br>\r\n" + "更新时间：２０２４年，人气：１２３４５６。"_gbk +
                      "<a href=\"/c/1.html\">" + "上一章"_gbk + "</a>\r\n";
    std::string s;
    while (s.size() < 1024 * 1024) s += line.str();
    s += "下一页"_gbk.str() + "</body>";  // each sought text occurs once, at the very end
    return Text(std::move(s));
  }();
  return built;
}

// The plain counterpart of substitute: replace every exact occurrence.
std::string plain_replace(std::string_view s, std::string_view sought, std::string_view with) {
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  for (std::size_t p; (p = s.find(sought, pos)) != std::string_view::npos;
       pos = p + sought.size()) {
    out.append(s.substr(pos, p - pos));
    out.append(with);
  }
  out.append(s.substr(pos));
  return out;
}

void find_in_text_bench(benchmark::State& state, const Text& sought) {
  for (auto _ : state) benchmark::DoNotOptimize(find_in_text(page(), sought));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
}

void plain_find_bench(benchmark::State& state, const Text& sought) {
  for (auto _ : state) benchmark::DoNotOptimize(page().view().find(sought.view()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
}

void substitute_bench(benchmark::State& state, bool case_sensitive) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(substitute(page(), "<br>", "\n", 1, std::nullopt, case_sensitive));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
}

void plain_replace_bench(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(plain_replace(page().view(), "<br>", "\n"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
}

// Keeps each benchmark's time per iteration for the ratios printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // CPU time: the machine may be shared, and waiting for it is not the code's cost.
      if (run.run_type == Run::RT_Iteration)
        times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double time(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  const Text ascii = "</body>";
  const Text chinese = "下一页"_gbk;
  benchmark::RegisterBenchmark("find_in_text/ascii", find_in_text_bench, ascii);
  benchmark::RegisterBenchmark("plain_find/ascii", plain_find_bench, ascii);
  benchmark::RegisterBenchmark("find_in_text/chinese", find_in_text_bench, chinese);
  benchmark::RegisterBenchmark("plain_find/chinese", plain_find_bench, chinese);
  benchmark::RegisterBenchmark("substitute/ignore_case", substitute_bench, false);
  benchmark::RegisterBenchmark("substitute/exact", substitute_bench, true);
  benchmark::RegisterBenchmark("plain_replace", plain_replace_bench);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const struct {
    const char *measured, *baseline;
  } pairs[] = {{"find_in_text/ascii", "plain_find/ascii"},
               {"find_in_text/chinese", "plain_find/chinese"},
               {"substitute/ignore_case", "plain_replace"},
               {"substitute/exact", "plain_replace"}};
  std::printf(
      "\nCPU time against the plain search over the same %zu-byte page (goal: 2x or less)\n",
      page().size());
  for (const auto& p : pairs) {
    const double measured = reporter.time(p.measured), baseline = reporter.time(p.baseline);
    if (measured > 0 && baseline > 0) {
      std::printf("  %-24s %6.2fx  %s\n", p.measured, measured / baseline, p.baseline);
    }
  }
  return 0;
}
