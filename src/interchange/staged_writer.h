// The common part of the writers that put each message in a file of its own (Maildir, .eml):
// the files of a folder are staged under temporary names and get their final names together.
#pragma once

#include "interchange/staged_files.h"
#include "interchange/writer.h"

namespace qb::interchange {

class CStagedWriter : public CWriter {
  public:
    explicit CStagedWriter(std::string dest) : m_dest(std::move(dest)) {}
    ~CStagedWriter() override { Abort(); }

    bool EndFolder() override;
    void Abort() override;

  protected:
    // Makes the open folder's output `directory` current for `folder`.
    void Open(const std::vector<std::string>& folder, const std::string& directory);
    // Stages m_buffer as the next message of the open folder.
    bool Stage(const std::string& temp, const std::string& final);

    std::string m_dest;
    std::string m_buffer;
    WrittenFolder m_current;
    bool m_open = false;

  private:
    CStagedFiles m_staged;
};

} // namespace qb::interchange
