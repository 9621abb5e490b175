// Names an existing store by hand: its name, its store root directory and its kind.
#pragma once

#include "app/assign.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qb {

class Port;

class AssignDialog : public QDialog {
    Q_OBJECT
  public:
    // `check` is the owner's check of the input (it may keep what it accepts); `port` shows
    // the refusals.
    AssignDialog(Port& port, std::function<DialogCheck(AssignInput&)> check,
                 QWidget* parent = nullptr);

    // Valid after "Add".
    const AssignInput& Input() const { return m_input; }

    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* DirectoryEdit() const { return m_directory; }
    QRadioButton* TypeButton(int index) const;
    QCheckBox* ReadOnlyBox() const { return m_readOnly; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* HelpButton() const { return m_help; }

    // The folder browser; tests replace it.
    std::function<std::optional<QString>(QWidget*)> browse;

    void accept() override;

  private:
    Port& m_port;
    std::function<DialogCheck(AssignInput&)> m_check;
    AssignInput m_input;
    QLineEdit* m_name;
    QLineEdit* m_directory;
    QButtonGroup* m_types;
    QCheckBox* m_readOnly;
    QPushButton* m_browse;
    QPushButton* m_add;
    QPushButton* m_help;
};

} // namespace qb
