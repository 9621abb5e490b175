#include "cli/terminal_port.h"

#include "model/mails.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace qb::cli {

namespace {

// The meter of one long operation: "title: done of total" on one line, drawn again at most ten
// times a second. The command line cannot be asked to stop; interrupting the program leaves the
// stores as a failure at that point would.
class TerminalMeter : public ProgressSink {
  public:
    TerminalMeter(TerminalPort& port, std::string title)
        : m_port(port), m_title(std::move(title)) {}
    ~TerminalMeter() override { m_port.EndProgress(); }

    bool Step(std::uint64_t done, std::uint64_t total, const std::string& text) override {
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
    if (!m_terminal)
        return std::make_unique<SilentProgress>();
    return std::make_unique<TerminalMeter>(*this, title);
}

void TerminalPort::EndProgress() {
    if (!m_progressShown)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    m_progressShown = false;
}

} // namespace qb::cli
