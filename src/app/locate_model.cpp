#include "app/locate_model.h"

#include "app/discovery.h"
#include "platform/paths.h"

namespace qb {

namespace {

void MoveRows(std::vector<LocateRow>& from, std::vector<LocateRow>& to, bool selectedOnly) {
    std::vector<LocateRow> kept;
    for (LocateRow& row : from) {
        if (selectedOnly && !row.selected) {
            kept.push_back(std::move(row));
            continue;
        }
        to.push_back({std::move(row.row), false});
    }
    from = std::move(kept);
}

std::optional<std::size_t> FindRow(const std::vector<LocateRow>& rows, const std::string& name) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (EqualsNoCase(rows[i].row.name, name))
            return i;
    }
    return std::nullopt;
}

// Moves rows into the managed list under a name it does not hold yet; a row whose directory
// contradicts its type stays, selected, and its refusal is returned.
std::string MoveToManaged(std::vector<LocateRow>& found, std::vector<LocateRow>& managed,
                          bool selectedOnly) {
    std::vector<LocateRow> kept;
    std::string refusals;
    for (LocateRow& row : found) {
        if (selectedOnly && !row.selected) {
            kept.push_back(std::move(row));
            continue;
        }
        const std::string refusal = StoreTypeRefusal(row.row.storeRoot, row.row.type);
        if (!refusal.empty()) {
            refusals += (refusals.empty() ? "" : "\n") + row.row.name + ": " + refusal;
            kept.push_back({std::move(row.row), true});
            continue;
        }
        row.row.name = UniqueMailboxName(row.row.name, [&managed](const std::string& name) {
            return FindRow(managed, name).has_value();
        });
        managed.push_back({std::move(row.row), false});
    }
    found = std::move(kept);
    return refusals;
}

bool AnySelected(const std::vector<LocateRow>& rows) {
    for (const LocateRow& row : rows) {
        if (row.selected)
            return true;
    }
    return false;
}

} // namespace

void CLocateModel::FillLists(const RegistryData& data) {
    m_found.clear();
    m_managed.clear();
    MailboxList managed;
    LoadMailboxEntries(data, managed);
    for (const auto& entry : managed)
        m_managed.push_back(
            {{entry->m_strName, entry->m_strStoreRoot, entry->m_strType, entry->m_bReadOnly},
             false});
    MailboxList found;
    discovery::Warnings warnings; // the dialog lists what it found; skipped files stay unsaid
    DiscoverMailboxes(data, discovery::Places::FromEnvironment(), found, warnings);
    for (const auto& entry : found) {
        // By name only: a store registered under another name is still offered.
        if (IsMailboxRegistered(data, entry->m_strName))
            continue;
        m_found.push_back(
            {{entry->m_strName, entry->m_strStoreRoot, entry->m_strType, entry->m_bReadOnly},
             false});
    }
}

bool CLocateModel::FillLists(RegistryFile& registry) {
    m_error.clear();
    RegistryData data;
    if (!registry.Load(data)) {
        m_found.clear();
        m_managed.clear();
        m_error = registry.Error();
        return false;
    }
    FillLists(data);
    return true;
}

void CLocateModel::SelectFound(std::size_t row, bool selected) {
    if (row < m_found.size())
        m_found[row].selected = selected;
}

void CLocateModel::SelectManaged(std::size_t row, bool selected) {
    if (row < m_managed.size())
        m_managed[row].selected = selected;
}

std::optional<std::size_t> CLocateModel::FindFound(const std::string& name) const {
    return FindRow(m_found, name);
}

std::optional<std::size_t> CLocateModel::FindManaged(const std::string& name) const {
    return FindRow(m_managed, name);
}

std::string CLocateModel::Add() {
    return MoveToManaged(m_found, m_managed, true);
}

void CLocateModel::Remove() {
    MoveRows(m_managed, m_found, true);
}

std::string CLocateModel::AddAll() {
    return MoveToManaged(m_found, m_managed, false);
}

void CLocateModel::RemoveAll() {
    MoveRows(m_managed, m_found, false);
}

DialogCheck CLocateModel::Assign(AssignInput& input) {
    const DialogCheck check = CheckAssign(input, ManagedRows());
    if (check.accepted)
        m_managed.push_back(
            {{input.name, input.directory, AssignTypeString(input.typeIndex), input.readOnly},
             false});
    return check;
}

void CLocateModel::SetSelectedReadOnly(bool readOnly) {
    for (LocateRow& row : m_managed) {
        if (row.selected)
            row.row.readOnly = readOnly;
    }
}

std::optional<bool> CLocateModel::SelectedReadOnly() const {
    std::optional<bool> state;
    for (const LocateRow& row : m_managed) {
        if (!row.selected)
            continue;
        if (state && *state != row.row.readOnly)
            return std::nullopt;
        state = row.row.readOnly;
    }
    return state;
}

LocateButtons CLocateModel::Buttons() const {
    LocateButtons buttons;
    buttons.addAll = !m_found.empty();
    buttons.add = AnySelected(m_found);
    buttons.removeAll = !m_managed.empty();
    buttons.remove = AnySelected(m_managed);
    buttons.readOnly = buttons.remove;
    return buttons;
}

std::vector<MailboxRow> CLocateModel::ManagedRows() const {
    std::vector<MailboxRow> rows;
    rows.reserve(m_managed.size());
    for (const LocateRow& row : m_managed)
        rows.push_back(row.row);
    return rows;
}

bool CLocateModel::Confirm(RegistryFile& registry) {
    m_error.clear();
    const bool ok = ReplaceMailboxEntries(registry, ManagedRows());
    if (!ok)
        m_error = registry.Error();
    return ok;
}

} // namespace qb
