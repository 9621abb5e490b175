#include "interchange/staged_writer.h"

namespace qb::interchange {

bool CStagedWriter::EndFolder() {
    if (!m_open)
        return Fail("No folder open");
    std::string error;
    if (!m_staged.Commit(error)) {
        Abort();
        return Fail(error);
    }
    m_open = false;
    m_written.push_back(std::move(m_current));
    m_current = {};
    return true;
}

void CStagedWriter::Abort() {
    m_staged.Discard();
    m_open = false;
}

void CStagedWriter::Open(const std::vector<std::string>& folder, const std::string& directory) {
    m_current = {folder, directory, 0};
    m_open = true;
}

bool CStagedWriter::Stage(const std::string& temp, const std::string& final) {
    if (!m_open)
        return Fail("No folder open");
    std::string error;
    if (!m_staged.Add(temp, final, m_buffer, error)) {
        Abort();
        return Fail(error);
    }
    ++m_current.count;
    return true;
}

} // namespace qb::interchange
