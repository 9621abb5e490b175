// Moves stores between those found on this machine and those the program manages; OK writes
// the managed list as the registered mailboxes.
#pragma once

#include "app/locate_model.h"

#include <QDialog>
#include <QTreeView>

#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QStandardItemModel;

namespace qb {

class AssignDialog;
class Port;
class RegistryFile;

// A dialog's list of whole rows, drawn as the message list draws its rows: the highlight spans
// the row up to the end of its last column, with a focus frame around the current row.
class CFullRowListCtrl : public QTreeView {
    Q_OBJECT
  public:
    explicit CFullRowListCtrl(QWidget* parent = nullptr);
    QStandardItemModel* Model() const { return m_model; }
    // Each column as wide as its heading in the list's font plus `margins[i]`.
    void SetupColumns(const QStringList& headings, const std::vector<int>& margins);
    std::vector<int> SelectedRows() const;

  protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    QStandardItemModel* m_model;
};

class LocateDialog : public QDialog {
    Q_OBJECT
  public:
    LocateDialog(Port& port, RegistryFile& registry, QWidget* parent = nullptr);

    // Fills both lists from the registry; false (the reason in `Model().Error()`) when it cannot
    // be read.
    bool FillLists();
    const CLocateModel& Model() const { return m_model; }

    CFullRowListCtrl* FoundList() const { return m_found; }
    CFullRowListCtrl* ManagedList() const { return m_managed; }
    QPushButton* AddAllButton() const { return m_addAll; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }
    QPushButton* RemoveAllButton() const { return m_removeAll; }
    QCheckBox* ReadOnlyBox() const { return m_readOnly; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* AssignButton() const { return m_assign; }
    QPushButton* HelpButton() const { return m_help; }

    // Runs the Assign dialog; tests replace it to fill and confirm it themselves.
    std::function<int(AssignDialog&)> runAssign;

    void accept() override;

  private:
    void ShowLists();
    void SelectionChanged();
    void UpdateButtons();
    void Assign();

    Port& m_port;
    RegistryFile& m_registry;
    CLocateModel m_model;
    CFullRowListCtrl* m_found;
    CFullRowListCtrl* m_managed;
    QPushButton* m_addAll;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_removeAll;
    QCheckBox* m_readOnly;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_assign;
    QPushButton* m_help;
    bool m_filling = false;
};

} // namespace qb
