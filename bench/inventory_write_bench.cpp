// jsoncpp alone writing an inventory document on one line, as the service writes it before
// each push: the yardstick for the soak's inventory cycle (collect, write, deliver). The
// document is the one in ORB_BENCH_INVENTORY (bench/soak/run saves the last one its RMC
// took); without it the benchmark is skipped.
#include <benchmark/benchmark.h>
#include <json/json.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

bool readDocument(Json::Value& document, std::string& error) {
    const char* path = std::getenv("ORB_BENCH_INVENTORY");
    if (path == nullptr || *path == '\0') {
        error = "set ORB_BENCH_INVENTORY to a file holding an inventory document";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("cannot read ") + path;
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream stream(text);
    if (!Json::parseFromStream(builder, stream, &document, &errors) || !document.isObject()) {
        error = std::string(path) + " holds no JSON object: " + errors;
        return false;
    }
    return true;
}

void BM_JsonWriteInventory(benchmark::State& state) {
    Json::Value document;
    std::string error;
    if (!readDocument(document, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = Json::writeString(builder, document);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK(BM_JsonWriteInventory)->Unit(benchmark::kMillisecond);

}  // namespace
