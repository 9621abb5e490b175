// Filling the message list with a large folder and painting its first screen, offscreen.
//
//   ui_message_list [benchmark flags]
#include "model/mails.h"
#include "ui/mail_list_view.h"
#include "ui/message_list_model.h"

#include <QApplication>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// An in-memory folder whose loading keeps the messages it holds.
std::unique_ptr<qb::CMails> MakeFolder(int count) {
    auto folder = std::make_unique<qb::CMails>("Inbox", "/bench/Inbox");
    for (int i = 0; i < count; ++i) {
        std::string header = "From - Mon Jan 01 00:00:00 2001\r\nSubject: Message number " +
                             std::to_string(i) + " about the quarterly figures\r\nFrom: Sender " +
                             std::to_string(i % 97) +
                             " <sender@example.com>\r\nTo: someone@example.org\r\n"
                             "Date: Mon, 1 Jan 2001 10:00:00 +0000\r\n";
        folder->m_pMessages.push_back(
            std::make_unique<qb::CMessage>(i, 0, folder.get(), std::move(header), ""));
    }
    return folder;
}

void BM_FillAndPaint(benchmark::State& state) {
    auto folder = MakeFolder(static_cast<int>(state.range(0)));
    qb::CMailListView view;
    view.resize(900, 400);
    view.show();
    for (auto _ : state) {
        view.Fill(folder.get());
        QPixmap shot = view.viewport()->grab();
        benchmark::DoNotOptimize(shot.cacheKey());
        view.DeleteAllItems();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillAndPaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
