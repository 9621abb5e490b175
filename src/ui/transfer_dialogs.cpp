#include "ui/transfer_dialogs.h"

#include "ui/dialog_support.h"
#include "ui/text_codec.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qb {

// Moves the bar and lets the window (and its Cancel button) take events between steps.
class TransferProgress::Sink : public ProgressSink {
  public:
    explicit Sink(TransferProgress& owner) : m_owner(owner) {
        m_owner.m_running = true;
        m_owner.m_stop = false;
        m_owner.m_bar->setValue(0);
    }
    ~Sink() override { m_owner.m_running = false; }

    bool Step(std::uint64_t done, std::uint64_t total, const std::string& status) override {
        // The bar counts in thousandths: byte counts do not fit its int.
        const int value = total == 0 ? 0 : static_cast<int>(std::min(done, total) * 1000 / total);
        m_owner.m_bar->setValue(value);
        m_owner.m_bar->setFormat(FromStoreText(status));
        QApplication::processEvents();
        return !m_owner.m_stop;
    }

  private:
    TransferProgress& m_owner;
};

std::unique_ptr<ProgressSink> TransferProgress::Begin() {
    return std::make_unique<Sink>(*this);
}

TransferDialog::TransferDialog(const QString& title, const QString& pathTitle,
                               const QString& runText, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* pathGroup = new QGroupBox(pathTitle, this);
    m_path = new QLineEdit(pathGroup);
    m_browse = new QPushButton(QStringLiteral("..."), pathGroup);
    m_pathLayout = new QHBoxLayout(pathGroup);
    m_pathLayout->addWidget(m_path);
    m_pathLayout->addWidget(m_browse);

    m_options = new QVBoxLayout;
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_bar->setTextVisible(true);
    m_bar->setFormat(QString());

    m_run = new QPushButton(runText, this);
    m_run->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_run);
    buttons->addWidget(m_cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pathGroup);
    layout->addLayout(m_options);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);

    m_progress = std::make_unique<TransferProgress>(m_bar);
    connect(m_browse, &QPushButton::clicked, this, [this] {
        if (std::optional<QString> path = choosePath(this))
            m_path->setText(*path);
    });
    connect(m_run, &QPushButton::clicked, this, &TransferDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TransferDialog::reject);
    resize(sizeHint().expandedTo(QSize(420, 0)));
}

void TransferDialog::AddOption(QWidget* option) {
    m_options->addWidget(option);
}

void TransferDialog::reject() {
    // While the command runs, Cancel (or Escape, or closing the window) asks it to stop.
    if (m_progress->Running()) {
        m_progress->RequestStop();
        return;
    }
    QDialog::reject();
}

void TransferDialog::Finish(const std::string& path, const std::function<TransferReport()>& run) {
    if (m_progress->Running())
        return;
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w != m_cancel && w != m_bar)
            w->setEnabled(false);
    }
    const TransferReport report = run();
    for (QWidget* w : findChildren<QWidget*>())
        w->setEnabled(true);
    if (!report.close) {
        if (path.empty())
            m_path->setFocus();
        return;
    }
    QDialog::accept();
}

ExportDialog::ExportDialog(
    const std::string& folderName,
    std::function<TransferReport(const std::string&, const ExportOptions&)> run, QWidget* parent)
    : TransferDialog(QStringLiteral("Export ") + FromStoreText(folderName),
                     QStringLiteral("Destination Directory"), QStringLiteral("Export"), parent),
      m_runExport(std::move(run)) {
    choosePath = [](QWidget* owner) { return BrowseForDirectory(owner); };
    auto* row = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(new QLabel(QStringLiteral("Format:"), row));
    m_format = new QComboBox(row);
    for (ExportFormat format : {ExportFormat::Mboxrd, ExportFormat::Maildir, ExportFormat::Eml})
        m_format->addItem(QString::fromLatin1(ExportFormatName(format)), int(format));
    rowLayout->addWidget(m_format, 1);
    AddOption(row);
    m_subFolders = new QCheckBox(QStringLiteral("with sub-folders"), this);
    AddOption(m_subFolders);
    m_deleted = new QCheckBox(QStringLiteral("with deleted messages"), this);
    AddOption(m_deleted);
}

void ExportDialog::accept() {
    const std::string dest = PathFromText(m_path->text());
    ExportOptions options;
    options.format = static_cast<ExportFormat>(m_format->currentData().toInt());
    options.subFolders = m_subFolders->isChecked();
    options.includeDeleted = m_deleted->isChecked();
    Finish(dest, [&] { return m_runExport(dest, options); });
}

ImportDialog::ImportDialog(
    const std::string& folderName,
    std::function<TransferReport(const std::string&, const ImportOptions&)> run, QWidget* parent)
    : TransferDialog(QStringLiteral("Import into ") + FromStoreText(folderName),
                     QStringLiteral("Mbox File, Maildir or Directory of .eml Files"),
                     QStringLiteral("Import"), parent),
      m_runImport(std::move(run)) {
    choosePath = [](QWidget* owner) -> std::optional<QString> {
        const QString file = QFileDialog::getOpenFileName(owner, QStringLiteral("Mbox File"));
        if (file.isEmpty())
            return std::nullopt;
        return file;
    };
    chooseDirectory = [](QWidget* owner) { return BrowseForDirectory(owner); };
    m_directory = new QPushButton(QStringLiteral("Directory..."), m_path->parentWidget());
    m_pathLayout->addWidget(m_directory);
    connect(m_directory, &QPushButton::clicked, this, [this] {
        if (std::optional<QString> path = chooseDirectory(this))
            m_path->setText(*path);
    });
    m_mboxrd = new QCheckBox(QStringLiteral("mboxrd (lines \">From \" lose one \">\")"), this);
    AddOption(m_mboxrd);
}

void ImportDialog::accept() {
    const std::string source = PathFromText(m_path->text());
    ImportOptions options;
    options.unquoteMboxrd = m_mboxrd->isChecked();
    Finish(source, [&] { return m_runImport(source, options); });
}

} // namespace qb
