#include "ui/search_pane.h"

#include "app/readable_message.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qb {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// Steps from the search thread: stops when asked, and tells the pane how far it got.
class ThreadProgress : public ProgressSink {
  public:
    ThreadProgress(std::shared_ptr<std::atomic<bool>> stop, QLabel* status)
        : m_stop(std::move(stop)), m_status(status) {}
    bool Step(std::uint64_t done, std::uint64_t, const std::string& text) override {
        if (done % 256 == 1) {
            const QString shown =
                QStringLiteral("Searching %1...").arg(Utf8(StoreTextToUtf8(text)));
            QMetaObject::invokeMethod(
                m_status, [status = m_status, shown] { status->setText(shown); },
                Qt::QueuedConnection);
        }
        return !m_stop->load();
    }

  private:
    std::shared_ptr<std::atomic<bool>> m_stop;
    QLabel* m_status;
};

} // namespace

CSearchPane::CSearchPane(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find"));
    auto* form = new QFormLayout;
    const auto field = [&](const QString& label, const QString& tip) {
        auto* edit = new QLineEdit(this);
        edit->setToolTip(tip);
        form->addRow(label, edit);
        return edit;
    };
    m_from = field(QStringLiteral("&From:"), {});
    m_to = field(QStringLiteral("&To:"), {});
    m_subject = field(QStringLiteral("&Subject:"), {});
    m_text = field(QStringLiteral("T&ext:"),
                   QStringLiteral("Text of the message, not of its attachments"));
    m_since = field(QStringLiteral("S&ince:"), QStringLiteral("YYYY-MM-DD or a mail date"));
    m_before = field(QStringLiteral("&Before:"), QStringLiteral("YYYY-MM-DD or a mail date"));
    m_find = new QPushButton(QStringLiteral("Find"), this);
    m_find->setDefault(true);
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_find);
    buttons->addWidget(m_stop);
    m_results = new QTreeWidget(this);
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setHeaderLabels({QStringLiteral("Mailbox"), QStringLiteral("Folder"),
                                QStringLiteral("Date"), QStringLiteral("From"),
                                QStringLiteral("Subject")});
    m_status = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_results, 1);
    layout->addWidget(m_status);
    resize(640, 420);

    connect(m_find, &QPushButton::clicked, this, [this] { Start(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { Stop(); });
    connect(m_results, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenItem(m_results->indexOfTopLevelItem(item)); });
}

CSearchPane::~CSearchPane() {
    Stop();
    if (m_thread != nullptr) {
        m_thread->wait();
        delete m_thread;
    }
}

QString CSearchPane::StatusText() const {
    return m_status->text();
}

bool CSearchPane::Start() {
    if (m_thread != nullptr)
        return false;
    SearchQuery query;
    query.from = m_from->text().toStdString();
    query.to = m_to->text().toStdString();
    query.subject = m_subject->text().toStdString();
    query.text = m_text->text().toStdString();
    for (auto [edit, bound] :
         {std::pair{m_since, &query.since}, std::pair{m_before, &query.before}}) {
        const QString text = edit->text().trimmed();
        if (text.isEmpty())
            continue;
        *bound = ParseSearchDate(text.toStdString());
        if (!*bound) {
            m_status->setText(QStringLiteral("Cannot read the date: ") + text);
            return false;
        }
    }
    m_results->clear();
    m_hits.clear();
    m_status->setText(QStringLiteral("Searching..."));
    m_find->setEnabled(false);
    m_stop->setEnabled(true);
    m_stopRequested = std::make_shared<std::atomic<bool>>(false);
    std::vector<SearchScope> where = scopes ? scopes() : std::vector<SearchScope>{};
    m_thread = QThread::create([this, where = std::move(where), query, stop = m_stopRequested] {
        ThreadProgress progress(stop, m_status);
        const SearchSummary summary =
            RunSearch(where, query, progress, [this](const SearchHit& hit) {
                QMetaObject::invokeMethod(
                    this, [this, hit] { AddHit(hit); }, Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this, [this, summary] { Done(summary); }, Qt::QueuedConnection);
    });
    m_thread->start();
    return true;
}

void CSearchPane::Stop() {
    if (m_stopRequested)
        m_stopRequested->store(true);
}

void CSearchPane::AddHit(const SearchHit& hit) {
    m_hits.push_back(hit);
    m_results->addTopLevelItem(
        new QTreeWidgetItem({Utf8(StoreTextToUtf8(hit.mailbox)), Utf8(StoreTextToUtf8(hit.folder)),
                             Utf8(hit.date), Utf8(hit.from), Utf8(hit.subject)}));
}

void CSearchPane::Done(const SearchSummary& summary) {
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    QString text = summary.stopped ? QStringLiteral("Stopped: %1 found in %2 messages")
                                   : QStringLiteral("%1 found in %2 messages");
    text = text.arg(summary.hits).arg(summary.messages);
    for (const std::string& warning : SearchWarnings(summary))
        text += QStringLiteral("; ") + Utf8(warning);
    m_status->setText(text);
    m_find->setEnabled(true);
    m_stop->setEnabled(false);
    emit Finished();
}

void CSearchPane::OpenItem(int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < m_hits.size() && onOpenHit)
        onOpenHit(m_hits[static_cast<std::size_t>(row)]);
}

void CSearchPane::closeEvent(QCloseEvent* event) {
    Stop();
    QDialog::closeEvent(event);
}

} // namespace qb
