#include "cli/terminal_port.h"

#include "model/mails.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace qb::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

// The first interrupt asks the running operation to stop at its next step; a second one ends the
// program at once, as the default does.
extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

// The meter of one long operation: "title: done of total" on one line, drawn again at most ten
// times a second when standard error is a terminal. While it runs, an interrupt (Ctrl+C) is the
// Cancel button: the operation stops at its next message and leaves the stores as a failure at
// that point would.
class TerminalMeter : public ProgressSink {
  public:
    TerminalMeter(TerminalPort& port, std::string title, bool draw)
        : m_port(port), m_title(std::move(title)), m_draw(draw),
          m_previous(std::signal(SIGINT, OnInterrupt)) {}
    ~TerminalMeter() override {
        if (!g_interrupted && m_previous != SIG_ERR)
            std::signal(SIGINT, m_previous);
        m_port.EndProgress();
    }

    bool Step(std::uint64_t done, std::uint64_t total, const std::string& text) override {
        if (g_interrupted)
            return false;
        if (!m_draw)
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (m_drawn && now - m_last < std::chrono::milliseconds(100))
            return true;
        m_drawn = true;
        m_last = now;
        std::string line = m_title + ": " + std::to_string(done);
        if (total != 0)
            line += " of " + std::to_string(total);
        line += " messages";
        if (!text.empty())
            line += " (" + text + ")";
        m_port.Progress(line);
        return true;
    }

  private:
    TerminalPort& m_port;
    std::string m_title;
    bool m_draw;
    void (*m_previous)(int);
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_last;
};

} // namespace

TerminalPort::TerminalPort() : m_terminal(isatty(STDERR_FILENO) == 1) {}

TerminalPort::~TerminalPort() {
    EndProgress();
}

Answer TerminalPort::Message(const std::string& text, Buttons buttons, Icon,
                             const std::string& detail) {
    switch (buttons) {
    case Buttons::OkCancel:
        return Answer::Ok; // the deletion questions: the command itself is the confirmation
    case Buttons::YesNoCancel:
        return sameNameAnswer;
    case Buttons::YesNo:
        return yesNoAnswer;
    case Buttons::Ok:
        break;
    }
    // A message box: its text as one line on standard error. Texts that end with their own
    // line feed get no second one.
    EndProgress();
    m_lastMessage = text;
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
    if (!detail.empty()) {
        std::fwrite(detail.data(), 1, detail.size(), stderr);
        if (detail.back() != '\n')
            std::fputc('\n', stderr);
    }
    std::fflush(stderr);
    return Answer::Ok;
}

void TerminalPort::InsertFolderItem(CMails* parent, CMails* folder) {
    m_items[folder] = parent;
}

bool TerminalPort::IsBelow(const CMails* item, const CMails* folder) const {
    // Follows the recorded parents only: nodes below a deleted folder may be gone already.
    for (std::size_t steps = 0; item != nullptr && steps <= m_items.size(); ++steps) {
        if (item == folder)
            return true;
        const auto it = m_items.find(item);
        item = it == m_items.end() ? nullptr : it->second;
    }
    return false;
}

void TerminalPort::DeleteFolderItem(CMails* folder) {
    std::vector<const CMails*> gone;
    for (const auto& [item, parent] : m_items) {
        if (IsBelow(item, folder))
            gone.push_back(item);
    }
    for (const CMails* item : gone)
        m_items.erase(item);
}

void TerminalPort::Progress(const std::string& status) {
    if (!m_terminal)
        return;
    std::fprintf(stderr, "\r%s\x1b[K", status.c_str());
    std::fflush(stderr);
    m_progressShown = true;
}

std::unique_ptr<ProgressSink> TerminalPort::BeginProgress(const std::string& title) {
    // Never into a pipe or a file: Progress draws only on a terminal.
    return std::make_unique<TerminalMeter>(*this, title, m_terminal);
}

bool TerminalPort::Interrupted() {
    return g_interrupted != 0;
}

void TerminalPort::EndProgress() {
    if (!m_progressShown)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    m_progressShown = false;
}

} // namespace qb::cli
