// The cost of decoding list columns. The baseline is what the message list does for every row
// today: read the Subject, From, To and Date fields of each header. Decoding the same values must
// cost next to nothing when they are plain ASCII (the ratio BM_PlainDecodeToListRatio reports);
// the encoded rows and the body text are measured for information.
//
//   text_decode [benchmark flags]
#include "model/message.h"
#include "text/header_decoder.h"
#include "text/line_source.h"
#include "text/mime_parts.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kFields[] = {"Subject:", "From:", "To:", "Date:"};

// Headers shaped like the generated benchmark folders; `encoded` gives each row an encoded
// subject and sender.
std::vector<std::unique_ptr<qb::CMessage>> MakeMessages(int count, bool encoded) {
    static const char* const kWords[] = {"meeting", "report",  "quarterly", "budget",  "draft",
                                         "holiday", "invoice", "review",    "project", "update"};
    std::mt19937_64 rng(1);
    std::vector<std::unique_ptr<qb::CMessage>> messages;
    for (int i = 0; i < count; ++i) {
        std::string subject;
        for (int w = 0; w < 2 + static_cast<int>(rng() % 6); ++w)
            subject += std::string(w ? " " : "") + kWords[rng() % 10];
        std::string header = "From - \r\nX-Mozilla-Status: 0001\r\n"
                             "Return-Path: <bounce@example.org>\r\n"
                             "Message-ID: <1." +
                             std::to_string(i) +
                             "@example.org>\r\n"
                             "Date: Mon, " +
                             std::to_string(1 + i % 28) + " Mar 1999 10:00:00 +0100\r\n";
        if (encoded) {
            header += "From: =?utf-8?B?SsO8cmdlbiBNw7xsbGVy?= <j@example.org>\r\n"
                      "Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?= " +
                      subject + "\r\n";
        } else {
            header += "From: Alice Archer <alicearcher@example.org>\r\n"
                      "Subject: " +
                      subject + " #" + std::to_string(i) + "\r\n";
        }
        header += "To: Bob Brennan <bobbrennan@example.org>\r\nMIME-Version: 1.0\r\n"
                  "Content-Type: text/plain; charset=us-ascii\r\n";
        messages.push_back(std::make_unique<qb::CMessage>(i, 0, nullptr, header, ""));
    }
    return messages;
}

std::size_t ListRows(const std::vector<std::unique_ptr<qb::CMessage>>& messages, bool decode) {
    std::size_t bytes = 0;
    for (const auto& m : messages) {
        for (const char* field : kFields) {
            std::string value = m->GetHeaderField(field);
            if (decode)
                value = qb::DecodeHeader(std::move(value));
            bytes += value.size();
        }
    }
    return bytes;
}

void BM_ListFields(benchmark::State& state) {
    const auto messages = MakeMessages(50000, false);
    for (auto _ : state)
        benchmark::DoNotOptimize(ListRows(messages, false));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(messages.size()));
}

void BM_ListFieldsDecoded(benchmark::State& state) {
    const auto messages = MakeMessages(50000, state.range(0) == 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(ListRows(messages, true));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(messages.size()));
    state.SetLabel(state.range(0) == 1 ? "every row encoded" : "plain ASCII rows");
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Seconds(const std::vector<std::unique_ptr<qb::CMessage>>& messages, bool decode) {
    const double start = ThreadSeconds();
    benchmark::DoNotOptimize(ListRows(messages, decode));
    return ThreadSeconds() - start;
}

// Both passes timed alternately in one run, in the thread's CPU time, so that the ratio sees the
// same machine state and not the other programs sharing it.
void BM_PlainDecodeToListRatio(benchmark::State& state) {
    const auto messages = MakeMessages(50000, false);
    double list = 0, decoded = 0;
    for (auto _ : state) {
        list += Seconds(messages, false);
        decoded += Seconds(messages, true);
    }
    state.counters["decoded_per_list_time"] = decoded / list;
}

// Finding and decoding the text of a quoted-printable latin-1 message, per body byte.
void BM_BodyText(benchmark::State& state) {
    const std::string header = "Content-Type: text/plain; charset=iso-8859-1\r\n"
                               "Content-Transfer-Encoding: quoted-printable\r\n";
    std::vector<std::string> body(200, "Sch=F6ne Gr=FC=DFe aus M=FCnchen, bis zum n=E4chsten Mal!");
    std::size_t bytes = 0;
    for (const auto& line : body)
        bytes += line.size() + 2;
    for (auto _ : state) {
        const qb::CMimeParts parts(header, qb::LineSource(body));
        benchmark::DoNotOptimize(parts.Text());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

} // namespace

BENCHMARK(BM_ListFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFieldsDecoded)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainDecodeToListRatio)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_BodyText)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
