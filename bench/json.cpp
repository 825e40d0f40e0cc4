// Parse and write throughput of the JSON library against nlohmann::json on
//  (a) a 20 MB document shaped like a long pass protocol, and
//  (b) a 1 MB array nested 100 000 deep (and shallower, to show that time grows linearly).
// Both libraries read from the same kind of std::istream over the same bytes.
#include <benchmark/benchmark.h>

#include <istream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <streambuf>
#include <string>

#include "avifile/json.h"
#include "avifile/json_parser.h"

namespace {

namespace E = Brindle::JSONElements;

// A read-only stream over a string, without copying it.
class MemoryBuf : public std::streambuf {
 public:
  explicit MemoryBuf(const std::string& s) {
    char* p = const_cast<char*>(s.data());
    setg(p, p, p + s.size());
  }
};

const std::string& protocolText() {
  static const std::string text = [] {
    Brindle::JSON events{E::Array()};
    std::string out;
    for (int i = 0; out.size() < 20'000'000; ++i) {
      Brindle::JSON e{E::Object()};
      e.set("event", "answer");
      e.set("time", E::Float(1765400000.0 + i * 3.25));
      e.set("question", E::Integer(i));
      e.set("file", "group07/video_" + std::to_string(i % 97) + "_crf28.mp4");
      e.set("expert", "Observer " + std::to_string(i % 13));
      e.set("value", E::Float((i % 101) / 100.0));
      e.set("block", E::Integer(i / 50));
      events.append(e);
      if (i % 10000 == 9999) out = events.toString(-1);
    }
    return out;
  }();
  return text;
}

std::string deepText(int depth) {
  std::string text;
  text.reserve(depth * 11 + 16);
  for (int i = 0; i < depth; ++i) text += "[0.123456,";
  text += "0";
  text.append(depth, ']');
  return text;
}

void setThroughput(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(bytes) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

// ---------------------------------------------------------------- (a) protocol

Brindle::JSON parseVixo(const std::string& text) {
  MemoryBuf buf(text);
  std::istream in(&buf);
  return Brindle::JSONparser::parse(in);
}

nlohmann::json parseNlohmann(const std::string& text) {
  MemoryBuf buf(text);
  std::istream in(&buf);
  return nlohmann::json::parse(in);
}

// Parsing alone: the tree of the previous iteration is destroyed outside the timed part.
template <typename Value, Value (*Parse)(const std::string&)>
void BM_ProtocolParse(benchmark::State& state) {
  const std::string& text = protocolText();
  Value j;
  for (auto _ : state) {
    state.PauseTiming();
    j = Value();
    state.ResumeTiming();
    j = Parse(text);
    benchmark::DoNotOptimize(j);
  }
  setThroughput(state, text.size());
}

// Parsing and destroying the tree.
template <typename Value, Value (*Parse)(const std::string&)>
void BM_ProtocolParseAndFree(benchmark::State& state) {
  const std::string& text = protocolText();
  for (auto _ : state) {
    Value j = Parse(text);
    benchmark::DoNotOptimize(j);
  }
  setThroughput(state, text.size());
}

// nlohmann's fastest input, a contiguous string, for reference.
void BM_ProtocolParse_NlohmannFromString(benchmark::State& state) {
  const std::string& text = protocolText();
  for (auto _ : state) {
    nlohmann::json j = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(j);
  }
  setThroughput(state, text.size());
}

void BM_ProtocolWrite_Vixo(benchmark::State& state) {
  const Brindle::JSON j = parseVixo(protocolText());
  size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out;
    j.write(out, static_cast<int>(state.range(0)), 0);
    bytes = out.str().size();
    benchmark::DoNotOptimize(bytes);
  }
  setThroughput(state, bytes);
}

void BM_ProtocolWrite_Nlohmann(benchmark::State& state) {
  const nlohmann::json j = nlohmann::json::parse(protocolText());
  size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out;
    if (state.range(0) == 0)
      out << j;
    else
      out << std::setw(2) << j;
    bytes = out.str().size();
    benchmark::DoNotOptimize(bytes);
  }
  setThroughput(state, bytes);
}

// ---------------------------------------------------------------- (b) deep nesting

template <typename Value, Value (*Parse)(const std::string&)>
void BM_DeepParse(benchmark::State& state) {
  const std::string text = deepText(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Value j = Parse(text);
    benchmark::DoNotOptimize(j);
  }
  setThroughput(state, text.size());
  state.SetComplexityN(state.range(0));
}

// nlohmann's writer recurses once per level, so it is not run on the deep document.
void BM_DeepWrite_Vixo(benchmark::State& state) {
  const std::string text = deepText(static_cast<int>(state.range(0)));
  const Brindle::JSON j = parseVixo(text);
  for (auto _ : state) {
    std::ostringstream out;
    j.write(out, 0, 0);
    benchmark::DoNotOptimize(out);
  }
  setThroughput(state, text.size());
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_ProtocolParse<Brindle::JSON, parseVixo>)
    ->Name("BM_ProtocolParse_Vixo")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProtocolParse<nlohmann::json, parseNlohmann>)
    ->Name("BM_ProtocolParse_Nlohmann")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProtocolParse_NlohmannFromString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProtocolParseAndFree<Brindle::JSON, parseVixo>)
    ->Name("BM_ProtocolParseAndFree_Vixo")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProtocolParseAndFree<nlohmann::json, parseNlohmann>)
    ->Name("BM_ProtocolParseAndFree_Nlohmann")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProtocolWrite_Vixo)->Arg(0)->Arg(-1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProtocolWrite_Nlohmann)->Arg(0)->Arg(-1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeepParse<Brindle::JSON, parseVixo>)
    ->Name("BM_DeepParse_Vixo")
    ->RangeMultiplier(2)
    ->Range(12500, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_DeepParse<nlohmann::json, parseNlohmann>)
    ->Name("BM_DeepParse_Nlohmann")
    ->RangeMultiplier(2)
    ->Range(12500, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_DeepWrite_Vixo)
    ->RangeMultiplier(2)
    ->Range(12500, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
