// Internet Mail store speed on a generated folder (QB_IMN_MESSAGES messages, 50,000 by default,
// about 400 MB), each measured against plain file work on the same bytes in the same run:
//   LoadMessages        against a plain sequential read of the .mbx;
//   CopyFolder          of an in-memory folder of the same messages, against a plain copy;
//   Compact             after every tenth message was removed, against a plain copy.
// The folder is generated once with quillbox-gen into a temporary directory (or QB_IMN_DIR) and
// kept there for later runs.
#include "platform/file_system.h"
#include "stores/internet_mails.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace stdfs = std::filesystem;

// quillbox-gen is built beside this program (QB_GEN names another one).
std::string Generator() {
    if (const char* env = std::getenv("QB_GEN"))
        return env;
    std::error_code ec;
    const stdfs::path self = stdfs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("quillbox-gen") : (self.parent_path() / "quillbox-gen").string();
}

struct Data {
    std::string dir;     // holds Big (the generated folder) and Removed (every tenth removed)
    std::string scratch; // targets of the copies
    std::int64_t bytes = 0;
    std::unique_ptr<qb::CMails> memory; // the same messages in memory
};

Data& Setup() {
    static Data data = [] {
        Data d;
        const char* env = std::getenv("QB_IMN_MESSAGES");
        const long count = env ? std::atol(env) : 50000;
        const char* dirEnv = std::getenv("QB_IMN_DIR");
        d.dir = dirEnv ? dirEnv : (stdfs::temp_directory_path() / "qb-bench-imn").string();
        d.scratch = d.dir + "/scratch";
        stdfs::create_directories(d.scratch);
        const std::string big = d.dir + "/Big.mbx";
        if (!stdfs::exists(big)) {
            const std::string cmd =
                Generator() + " imn " + d.dir + " Big " + std::to_string(count) + " 7 0";
            if (std::system(cmd.c_str()) != 0) {
                std::fprintf(stderr, "generation failed: %s\n", cmd.c_str());
                std::exit(1);
            }
        }
        if (!stdfs::exists(d.dir + "/Removed.mbx")) {
            stdfs::copy_file(big, d.dir + "/Removed.mbx");
            stdfs::copy_file(d.dir + "/Big.idx", d.dir + "/Removed.idx");
            qb::CInternetMails root("Bench", d.dir);
            auto* removed = root.AddSubFolder(
                std::make_unique<qb::CInternetMails>("Removed", d.dir + "/Removed"));
            removed->LoadMessages();
            std::vector<qb::CMessage*> gone;
            for (std::size_t i = 9; i < removed->m_pMessages.size(); i += 10)
                gone.push_back(removed->m_pMessages[i].get());
            removed->RemoveMessages(gone);
        }
        d.bytes = static_cast<std::int64_t>(stdfs::file_size(big));

        return d;
    }();
    return data;
}

// The in-memory source: the same headers and body lines, no store behind them.
qb::CMails& Memory() {
    Data& d = Setup();
    if (!d.memory) {
        qb::CInternetMails source("Big", d.dir + "/Big");
        source.LoadMessages();
        d.memory = std::make_unique<qb::CMails>("Big", "/memory/Big");
        for (auto& m : source.m_pMessages) {
            source.ReadMessage(*m);
            auto copy = std::make_unique<qb::CMessage>(0, 0, nullptr, m->m_strHeader, "");
            copy->m_nBodyLines = m->m_nBodyLines;
            copy->m_aBody = std::move(m->m_aBody);
            d.memory->m_pMessages.push_back(std::move(copy));
        }
    }
    return *d.memory;
}

void PlainRead(benchmark::State& state) {
    Data& d = Setup();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        qb::fs::File f;
        f.Open(d.dir + "/Big.mbx", qb::fs::OpenMode::Read);
        std::int64_t total = 0, n = 0;
        while ((n = f.Read(buffer.data(), buffer.size())) > 0)
            total += n;
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * d.bytes);
}

void LoadMessages(benchmark::State& state) {
    Data& d = Setup();
    qb::CInternetMails folder("Big", d.dir + "/Big");
    for (auto _ : state) {
        folder.LoadMessages();
        benchmark::DoNotOptimize(folder.m_pMessages.size());
    }
    state.counters["messages"] = static_cast<double>(folder.m_pMessages.size());
    state.SetBytesProcessed(state.iterations() * d.bytes);
}

// A plain copy of the message file: read, write, flush, as a store writing the same bytes must.
void PlainCopy(benchmark::State& state) {
    Data& d = Setup();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const std::string target = d.scratch + "/plain.copy";
        state.PauseTiming();
        stdfs::remove(target);
        state.ResumeTiming();
        qb::fs::File in, out;
        in.Open(d.dir + "/Big.mbx", qb::fs::OpenMode::Read);
        out.Open(target, qb::fs::OpenMode::Create);
        std::int64_t n = 0;
        while ((n = in.Read(buffer.data(), buffer.size())) > 0)
            out.Write(buffer.data(), static_cast<std::size_t>(n));
        out.Flush();
        out.Close();
    }
    state.SetBytesProcessed(state.iterations() * d.bytes);
}

void CopyFolder(benchmark::State& state) {
    Data& d = Setup();
    qb::CMails& memory = Memory();
    for (auto _ : state) {
        state.PauseTiming();
        stdfs::remove(d.scratch + "/Big.mbx");
        stdfs::remove(d.scratch + "/Big.idx");
        qb::CInternetMails root("Scratch", d.scratch);
        state.ResumeTiming();
        qb::CMails* copy = root.CopyFolder(memory);
        if (copy == nullptr)
            state.SkipWithError("CopyFolder failed");
        state.PauseTiming();
        // The copy composes each message's MIME tree; let it go so every run does the same work.
        for (auto& m : memory.m_pMessages)
            m->m_pContent.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * d.bytes);
}

void Compact(benchmark::State& state) {
    Data& d = Setup();
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* ext : {".mbx", ".idx"}) {
            stdfs::remove(d.scratch + "/Removed" + ext);
            stdfs::copy_file(d.dir + "/Removed" + ext, d.scratch + "/Removed" + ext);
        }
        qb::CInternetMails root("Scratch", d.scratch);
        auto* folder = root.AddSubFolder(
            std::make_unique<qb::CInternetMails>("Removed", d.scratch + "/Removed"));
        state.ResumeTiming();
        if (!folder->Compact())
            state.SkipWithError("Compact failed");
        state.PauseTiming();
    }
    state.SetBytesProcessed(state.iterations() * d.bytes);
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(LoadMessages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(CopyFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(Compact)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();
