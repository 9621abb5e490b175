// Asks for the name of a new folder or the new name of a folder.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;

namespace qb {

class FolderNameDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FolderNameDialog(QWidget* parent = nullptr);
    // The typed name in store text (valid after OK).
    std::string Name() const { return m_name; }
    QLineEdit* Edit() const { return m_edit; }
    // Shows why OK was refused; the dialog stays open.
    std::function<void(const std::string&)> onRefusal;

    void accept() override;

  private:
    QLineEdit* m_edit;
    std::string m_name;
};

} // namespace qb
