// A folder of an Internet Mail store: a flat directory with, per folder, a message file
// (name + ".mbx") and an index file (name + ".idx"). The store root node is the directory itself;
// folders do not nest. Both files are shared with another mail client and keep its byte layout.
#pragma once

#include "model/mails.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qb {

class CMailIndex;

class CInternetMails : public CMails {
  public:
    static constexpr std::uint32_t kMessageHeaderSize = 84;
    static constexpr std::uint32_t kMessageVersion = 0x00010003;
    // Offsets and the file length are 32-bit words: the message file cannot grow past this.
    static constexpr std::uint64_t kMaxMessageFileSize = 0xFFFFFFFFull;

    CInternetMails(std::string name, std::string path);
    ~CInternetMails() override;

    bool LoadFolders() override;
    // True for a folder without messages and for the store root (which holds none); false when
    // the message file cannot be read or is damaged (the messages before the damage are kept).
    bool LoadMessages() override;
    // The same with the messages whose index record is marked removed.
    bool LoadMessagesWithDeleted() override;
    bool AddMessage(CMessage& source) override;
    CMails* CreateFolder(const std::string& name) override;
    // Copies the source's own messages (a root has none) into a folder of its name under the
    // store root, merging into one that exists. All or nothing: null, with the store as it was,
    // when the source cannot be read whole or a message cannot be appended.
    CMails* CopyFolder(CMails& source) override;
    bool RemoveMessage(CMessage* message) override;
    bool ReadMessage(CMessage& message) override;
    // One pass over the message file; a message the index marks removed is a deleted one.
    bool ForEachMessage(bool withDeleted, const MessageVisitor& visit) override;
    void VisitListing(bool withDeleted, const ListingVisitor& visit) override;
    // The message file's size.
    std::int64_t StoreBytes() const override;
    bool Compact() override;
    bool Rename(const std::string& text, bool parentMoved) override;

    // One pass over each file (a message whose body cannot be read, or that would not fit, is
    // left out).
    bool AddMessages(const std::vector<CMessage*>& messages, std::vector<bool>& added) override;
    // One load and save of the index. A listed message that has no index record gets one,
    // marked removed.
    bool RemoveMessages(const std::vector<CMessage*>& messages) override;
    // Takes the removed mark off each message's index record (one load and save of the index),
    // once its record in the message file is checked to be the one listed.
    bool UndeleteMessages(const std::vector<CMessage*>& messages) override;
    // The listed messages with their bodies, read front to back through one open file.
    bool ForEachListed(const std::function<bool(CMessage&)>& take) override;
    // A name IsValidFolderName accepts whose files ("name.mbx", "name.idx") fit a directory
    // entry.
    bool CanHoldFolderName(const std::string& name) const override;
    // Folders do not nest: a folder copied here brings its messages only.
    bool HoldsSubFolders() const override { return false; }
    // The message file and the index file.
    bool OwnsFile(const std::string& file) const override;
    std::vector<std::string> MessageFiles() const override;

    // Writes the header of a new, empty message file / index file (creating or truncating).
    static bool CreateMessageFile(const std::string& path);
    static bool CreateIndexFile(const std::string& path);
    // The bytes of those headers.
    static std::string NewMessageFileHeader();
    static std::string NewIndexFileHeader();

    // A name this store can create a folder under, on any file system (IsPortableEntryName).
    static bool IsValidFolderName(const std::string& name);

    std::string MessageFilePath() const { return m_strPath + ".mbx"; }
    std::string IndexFilePath() const { return m_strPath + ".idx"; }

    // True when the last LoadMessages stopped at a damaged record (the list holds the messages
    // before it). Compact refuses such a folder rather than drop what it could not read.
    bool m_bDamaged = false;

  protected:
    // Deletes the folder's message and index files; the store root deletes nothing.
    bool DeleteFolder() override;

  private:
    class Appender;
    // Short: fewer records than the header counts, every record there read whole.
    enum class LoadResult { Ok, Short, Failed, Damaged };
    // Loads this folder's index to mark its records; false for the store root and an index that
    // cannot be read (nothing may then be marked).
    bool LoadIndexToChange(CMailIndex& index) const;
    LoadResult LoadMessagesFrom(const CMailIndex& index);
    LoadResult LoadMessagesFrom(const std::function<bool(std::uint32_t)>& isRemoved,
                                bool withDeleted = false);
    bool Load(bool withDeleted);
    // Whether the folder's index marks an id removed, from the index as it is now.
    std::function<bool(std::uint32_t)> RemovedInIndex() const;
    // Walks the records of the message file, handing each (header only) to `sink` with whether
    // `isRemoved` says its id is removed; `sink` returns false to stop (the result is then Ok).
    // The message file's header words are kept in the node.
    LoadResult ScanRecords(const std::function<bool(std::uint32_t)>& isRemoved,
                           const std::function<bool(std::unique_ptr<CMessage>, bool)>& sink);
    // AddMessages; with `allOrNothing`, one message left out means none is appended and the
    // files stay as they were.
    bool Append(const std::vector<CMessage*>& messages, std::vector<bool>& added,
                bool allOrNothing);
    bool IsStoreRoot() const { return m_pPrev == nullptr; }
    // The root of a store, as opposed to a folder node made on its own.
    bool IsStoreDirectory() const;
    // The existing folder file name for `name` + `extension`, matched without regard to case,
    // or empty.
    std::string FindEntryNoCase(const std::string& name, const std::string& extension) const;
};

} // namespace qb
