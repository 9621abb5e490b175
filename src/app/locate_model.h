// The Locate-mailboxes dialog without its widgets: the stores found on this machine that are not
// yet managed, the managed stores, the moves between the two lists, the button rules, and OK,
// which rewrites the registered mailboxes from the managed list in one write.
#pragma once

#include "app/assign.h"
#include "app/mailbox_registry.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qb {

struct LocateRow {
    MailboxRow row;
    bool selected = false;
};

struct LocateButtons {
    bool addAll = false;
    bool add = false;
    bool remove = false;
    bool removeAll = false;
    bool readOnly = false; // the read-only switch: some managed row is selected
    bool operator==(const LocateButtons&) const = default;
};

class CLocateModel {
  public:
    // Fills both lists as the dialog does when it opens: the managed list from the registered
    // mailboxes, the found list from discovery without the names already registered. False
    // (both lists empty, `Error()` set) when the registry file cannot be read.
    bool FillLists(RegistryFile& registry);
    void FillLists(const RegistryData& data);
    const std::string& Error() const { return m_error; }

    const std::vector<LocateRow>& Found() const { return m_found; }
    const std::vector<LocateRow>& Managed() const { return m_managed; }
    void SelectFound(std::size_t row, bool selected);
    void SelectManaged(std::size_t row, bool selected);
    // First row of that name, without regard to case.
    std::optional<std::size_t> FindFound(const std::string& name) const;
    std::optional<std::size_t> FindManaged(const std::string& name) const;

    // Moves the selected rows, in row order, to the end of the other list (unselected there).
    // Add and AddAll give a row whose name the managed list already holds the first free name
    // "NAME (2)", "NAME (3)", ... (UniqueMailboxName), and leave in the found list, selected,
    // every row whose directory contradicts its type (StoreTypeRefusal); they return those
    // refusals, one line per row ("" when every row moved).
    std::string Add();
    void Remove();
    // Moves every row, in order, to the end of the other list.
    std::string AddAll();
    void RemoveAll();
    // The Assign dialog confirmed with `input`: checked against the managed list; when accepted
    // a row with the kind's type string (read-only as asked) is appended to the managed list.
    DialogCheck Assign(AssignInput& input);
    // The read-only switch: marks every selected managed row read-only or writable.
    void SetSelectedReadOnly(bool readOnly);
    // Whether the selected managed rows are read-only; nullopt when none is selected or they
    // differ.
    std::optional<bool> SelectedReadOnly() const;

    LocateButtons Buttons() const;

    // The managed rows in order, as OK writes them.
    std::vector<MailboxRow> ManagedRows() const;
    // OK: replaces the registered mailboxes with the managed rows in one write.
    bool Confirm(RegistryFile& registry);

  private:
    std::vector<LocateRow> m_found;
    std::vector<LocateRow> m_managed;
    std::string m_error;
};

} // namespace qb
