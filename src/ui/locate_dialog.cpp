#include "ui/locate_dialog.h"

#include "app/port.h"
#include "ui/assign_dialog.h"
#include "ui/dialog_support.h"
#include "ui/full_row_painter.h"
#include "ui/text_codec.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>

namespace qb {

namespace {

const QStringList kHeadings = {QStringLiteral("Name"), QStringLiteral("Store Directory"),
                               QStringLiteral("Type"), QStringLiteral("Access")};
const std::vector<int> kMargins = {90, 140, 120, 40};

QList<QStandardItem*> RowItems(const MailboxRow& row) {
    QList<QStandardItem*> items;
    items << new QStandardItem(FromStoreText(row.name))
          << new QStandardItem(TextFromPath(row.storeRoot))
          << new QStandardItem(FromStoreText(row.type))
          << new QStandardItem(row.readOnly ? QStringLiteral("read-only") : QString());
    for (QStandardItem* item : items)
        item->setEditable(false);
    return items;
}

} // namespace

CFullRowListCtrl::CFullRowListCtrl(QWidget* parent)
    : QTreeView(parent), m_model(new QStandardItemModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CFullRowListCtrl::SetupColumns(const QStringList& headings, const std::vector<int>& margins) {
    m_model->clear();
    m_model->setHorizontalHeaderLabels(headings);
    const QFontMetrics metrics(font());
    for (int i = 0; i < headings.size(); ++i) {
        const int margin = i < static_cast<int>(margins.size()) ? margins[i] : 0;
        setColumnWidth(i, metrics.horizontalAdvance(headings[i]) + margin);
    }
}

std::vector<int> CFullRowListCtrl::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CFullRowListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const int columns = m_model->columnCount();
    const int right = columns > 0 ? columnViewportPosition(columns - 1) + columnWidth(columns - 1)
                                  : option.rect.right() + 1;
    PaintFullRow(*this, painter, option, index, {right, true, Qt::ElideRight});
}

LocateDialog::LocateDialog(Port& port, RegistryFile& registry, QWidget* parent)
    : QDialog(parent), m_port(port), m_registry(registry) {
    setWindowTitle(QStringLiteral("Locate exist messages"));
    runAssign = [](AssignDialog& dialog) { return dialog.exec(); };

    auto* frame = new QGroupBox(this);
    m_found = new CFullRowListCtrl(frame);
    m_addAll = new QPushButton(QStringLiteral("Add All"), frame);
    m_add = new QPushButton(QStringLiteral("Add"), frame);
    m_remove = new QPushButton(QStringLiteral("Remove"), frame);
    m_removeAll = new QPushButton(QStringLiteral("Remove All"), frame);
    m_managed = new CFullRowListCtrl(frame);
    m_readOnly =
        new QCheckBox(QStringLiteral("Read only: never change the selected stores"), frame);
    auto* moves = new QHBoxLayout;
    moves->addWidget(m_addAll);
    moves->addWidget(m_add);
    moves->addWidget(m_remove);
    moves->addWidget(m_removeAll);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(new QLabel(QStringLiteral("Exsit Mailbox"), frame));
    frameLayout->addWidget(m_found);
    frameLayout->addLayout(moves);
    frameLayout->addWidget(new QLabel(QStringLiteral("Mailbox Managed by Quillbox"), frame));
    frameLayout->addWidget(m_managed);
    frameLayout->addWidget(m_readOnly);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_assign = new QPushButton(QStringLiteral("Assign..."), this);
    m_help = new QPushButton(QStringLiteral("Help"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_assign);
    buttons->addWidget(m_help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    m_found->SetupColumns(kHeadings, kMargins);
    m_managed->SetupColumns(kHeadings, kMargins);
    connect(m_found->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LocateDialog::SelectionChanged);
    connect(m_managed->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LocateDialog::SelectionChanged);
    // Rows the model refused stay in the found list, selected, and the box says why.
    const auto added = [this](const std::string& refusals) {
        ShowLists();
        if (!refusals.empty())
            m_port.Message(refusals, Buttons::Ok, Icon::Warning);
    };
    connect(m_addAll, &QPushButton::clicked, this, [this, added] { added(m_model.AddAll()); });
    connect(m_add, &QPushButton::clicked, this, [this, added] { added(m_model.Add()); });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        m_model.Remove();
        ShowLists();
    });
    connect(m_removeAll, &QPushButton::clicked, this, [this] {
        m_model.RemoveAll();
        ShowLists();
    });
    // A click marks every selected managed row read-only, or writable when all of them were
    // read-only; the box then shows what the rows hold.
    connect(m_readOnly, &QCheckBox::clicked, this, [this] {
        m_model.SetSelectedReadOnly(!m_model.SelectedReadOnly().value_or(false));
        ShowLists();
    });
    connect(m_assign, &QPushButton::clicked, this, &LocateDialog::Assign);
    connect(m_ok, &QPushButton::clicked, this, &LocateDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &LocateDialog::reject);
    resize(sizeHint().expandedTo(QSize(640, 420)));
    UpdateButtons();
}

bool LocateDialog::FillLists() {
    const bool ok = m_model.FillLists(m_registry);
    ShowLists();
    return ok;
}

void LocateDialog::ShowLists() {
    m_filling = true;
    const auto show = [](CFullRowListCtrl* list, const std::vector<LocateRow>& rows) {
        QStandardItemModel* model = list->Model();
        model->removeRows(0, model->rowCount());
        QItemSelection selection;
        for (const LocateRow& row : rows) {
            model->appendRow(RowItems(row.row));
            if (row.selected) {
                const int r = model->rowCount() - 1;
                selection.select(model->index(r, 0), model->index(r, model->columnCount() - 1));
            }
        }
        list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    };
    show(m_found, m_model.Found());
    show(m_managed, m_model.Managed());
    m_filling = false;
    UpdateButtons();
}

void LocateDialog::SelectionChanged() {
    if (m_filling)
        return;
    const auto read = [](CFullRowListCtrl* list, std::size_t count, auto select) {
        std::vector<int> rows = list->SelectedRows();
        for (std::size_t i = 0; i < count; ++i)
            select(i, std::find(rows.begin(), rows.end(), static_cast<int>(i)) != rows.end());
    };
    read(m_found, m_model.Found().size(),
         [this](std::size_t row, bool on) { m_model.SelectFound(row, on); });
    read(m_managed, m_model.Managed().size(),
         [this](std::size_t row, bool on) { m_model.SelectManaged(row, on); });
    UpdateButtons();
}

void LocateDialog::UpdateButtons() {
    const LocateButtons buttons = m_model.Buttons();
    m_addAll->setEnabled(buttons.addAll);
    m_add->setEnabled(buttons.add);
    m_remove->setEnabled(buttons.remove);
    m_removeAll->setEnabled(buttons.removeAll);
    m_readOnly->setEnabled(buttons.readOnly);
    const std::optional<bool> readOnly = m_model.SelectedReadOnly();
    Qt::CheckState state = Qt::Unchecked;
    if (readOnly)
        state = *readOnly ? Qt::Checked : Qt::Unchecked;
    else if (buttons.readOnly)
        state = Qt::PartiallyChecked; // the selected rows differ
    m_readOnly->setCheckState(state);
}

void LocateDialog::Assign() {
    AssignDialog dialog(
        m_port, [this](AssignInput& input) { return m_model.Assign(input); }, this);
    if (runAssign(dialog) == QDialog::Accepted)
        ShowLists();
    UpdateButtons();
}

void LocateDialog::accept() {
    // A mailbox list that could not be written is said so; the dialog stays open for Cancel or
    // another try, so the user never believes the stores were registered.
    if (!m_model.Confirm(m_registry)) {
        std::string text = "Cannot write the mailbox list";
        if (!m_model.Error().empty())
            text += ": " + m_model.Error();
        m_port.Message(text, Buttons::Ok, Icon::Stop);
        return;
    }
    QDialog::accept();
}

} // namespace qb
