// Loading a large Netscape folder against the bound of reading the same file once: a plain
// buffered pass that only counts its line feeds. Also the cost of reading the last message's
// body, which must not depend on the folder's size.
//
//   netscape_load [benchmark flags]   (folder file: $QB_NETSCAPE_FOLDER, made when missing)
#include "platform/file_system.h"
#include "stores/netscape_mails.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>

namespace {

std::string g_large;  // about 400 MB, 50,000 messages
std::string g_small;  // 1,000 messages
std::string g_medium; // 8,000 messages

std::int64_t ScanBound(const std::string& path) {
    qb::fs::File file;
    if (!file.Open(path, qb::fs::OpenMode::Read))
        std::abort();
    std::vector<char> buffer(64 * 1024);
    std::int64_t lines = 0;
    for (;;) {
        const std::int64_t n = file.Read(buffer.data(), buffer.size());
        if (n <= 0)
            break;
        lines += std::count(buffer.data(), buffer.data() + n, '\n');
    }
    return lines;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ScanBound(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ScanBound(g_large));
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(g_large));
}

void BM_LoadMessages(benchmark::State& state) {
    qb::CNetscapeMails folder("Large", g_large);
    for (auto _ : state) {
        if (!folder.LoadMessages())
            state.SkipWithError("cannot load");
    }
    std::int64_t headerBytes = 0;
    for (auto& m : folder.m_pMessages)
        headerBytes += static_cast<std::int64_t>(m->m_strHeader.size());
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(g_large));
    state.counters["messages"] = static_cast<double>(folder.m_pMessages.size());
    state.counters["header_MB"] = static_cast<double>(headerBytes) / 1e6;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1e3;
}

// Both passes timed alternately in one run, so that the ratio sees the same cache state.
void BM_LoadToScanRatio(benchmark::State& state) {
    qb::CNetscapeMails folder("Large", g_large);
    double scan = 0, load = 0;
    for (auto _ : state) {
        scan += Seconds([] { benchmark::DoNotOptimize(ScanBound(g_large)); });
        load += Seconds([&] { folder.LoadMessages(); });
    }
    state.counters["load_per_scan_throughput"] = scan / load;
}

void BM_ReadLastMessage(benchmark::State& state) {
    qb::CNetscapeMails folder("F", state.range(0) == 0 ? g_small : g_large);
    folder.LoadMessages();
    qb::CMessage& last = *folder.m_pMessages.back();
    for (auto _ : state) {
        if (!folder.ReadMessage(last))
            state.SkipWithError("cannot read");
    }
    // The last messages of the two folders differ in length: compare the rate per body byte.
    state.SetBytesProcessed(state.iterations() * last.m_nBodySize);
    state.SetLabel((state.range(0) == 0 ? "1,000 messages, body " : "50,000 messages, body ") +
                   std::to_string(last.m_nBodySize) + " bytes");
}

// Moving every message of a folder to another one with the batch forms; the rate per message
// stays the same whatever the count.
void BM_MoveAllMessages(benchmark::State& state) {
    const std::string source = state.range(0) == 1000 ? g_small : g_medium;
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / "quillbox-bench" / "scratch";
    std::filesystem::create_directories(scratch);
    const std::string from = (scratch / "From").string(), to = (scratch / "To").string();
    std::size_t moved = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(source, from, std::filesystem::copy_options::overwrite_existing);
        { std::ofstream truncate(to, std::ios::binary | std::ios::trunc); }
        qb::CNetscapeMails src("From", from), dst("To", to);
        src.LoadMessages();
        std::vector<qb::CMessage*> all;
        for (auto& m : src.m_pMessages)
            all.push_back(m.get());
        state.ResumeTiming();
        std::vector<bool> added;
        if (!dst.AddMessages(all, added) || !src.RemoveMessages(all))
            state.SkipWithError("move failed");
        moved += all.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(moved));
}

std::string Generate(const std::string& gen, const std::string& path, long messages) {
    if (!std::filesystem::exists(path)) {
        const std::string command = gen + " netscape " + path + " " + std::to_string(messages);
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "cannot generate %s\n", path.c_str());
            std::exit(1);
        }
    }
    return path;
}

} // namespace

BENCHMARK(BM_ScanBound)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LoadMessages)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LoadToScanRatio)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MoveAllMessages)->Arg(1000)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLastMessage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    const std::filesystem::path self = std::filesystem::absolute(argv[0]).parent_path();
    const std::string gen = (self / "quillbox-gen").string();
    const char* env = std::getenv("QB_NETSCAPE_FOLDER");
    const std::filesystem::path data = std::filesystem::temp_directory_path() / "quillbox-bench";
    std::filesystem::create_directories(data);
    g_large = env ? std::string(env) : Generate(gen, (data / "netscape-50000").string(), 50000);
    g_small = Generate(gen, (data / "netscape-1000").string(), 1000);
    g_medium = Generate(gen, (data / "netscape-8000").string(), 8000);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
