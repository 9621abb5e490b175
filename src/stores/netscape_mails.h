// A folder of a Netscape mail directory: one mbox-style text file per folder whose messages
// begin with "From - " lines and carry an "X-Mozilla-Status:" header; sub-folders live in the
// directory "<file>.sbd" beside the file (for the root: in the mail directory itself), and the
// summary "<file>.snm" is moved and deleted along with the file but never read or written.
//
// Offsets and sizes count the line-end bytes really present (CR LF, LF or a lone CR); a last line
// without a line end counts two. Every position is 64 bits wide.
#pragma once

#include "model/mails.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qb {

class CNetscapeMails : public CMails {
  public:
    CNetscapeMails(std::string name, std::string path);
    ~CNetscapeMails() override;

    // Lists the sub-folder files. A missing directory gives no children; false only when the
    // directory exists but cannot be read (the node then stays pending).
    bool LoadFolders() override;
    // Re-reads the folder file, keeping header texts only. Messages marked deleted are skipped
    // but still count in the indices. False when the file cannot be read; the store's root (the
    // mail directory) holds no messages and loads as an empty folder.
    bool LoadMessages() override;
    // The same with the messages whose status carries the deleted bit.
    bool LoadMessagesWithDeleted() override;
    // Appends the source's header and body, always live (a deleted bit in its status field is
    // cleared in what is written). False, with nothing written, when the file cannot be opened for
    // writing or the source's body cannot be read. On success the source's header text is
    // replaced by its header with a separator and status line added when missing.
    bool AddMessage(CMessage& source) override;
    // Marks the message deleted in its status field and takes it out of the list. False, with
    // nothing written, when the file no longer holds the message where it was listed or the
    // status field is shorter than four characters.
    bool RemoveMessage(CMessage* message) override;
    // Null for a name that is taken (letter case ignored) or that the layout cannot hold.
    CMails* CreateFolder(const std::string& name) override;
    // Copies the source with its messages and sub-folders, merging into an existing sub-folder
    // of the same name (letter case ignored). A store root is copied as an empty folder holding
    // copies of its sub-folders. Null, with this store left as it was, when the source cannot be
    // read, at the first failure, and for a copy into the source itself or below it.
    CMails* CopyFolder(CMails& source) override;
    // One pass over the folder file.
    bool ForEachMessage(bool withDeleted, const MessageVisitor& visit) override;
    void VisitListing(bool withDeleted, const ListingVisitor& visit) override;
    // The folder file's size.
    std::int64_t StoreBytes() const override;
    // Reads the message's body lines straight from their position.
    bool ReadMessage(CMessage& message) override;
    // One open of the file; each body in one read from its position, after the same check of
    // the header as ReadMessage makes.
    bool ReadBodies(const std::vector<CMessage*>& messages, const BodyVisitor& each) override;
    // Rewrites the file without the deleted messages; the old file is replaced only once the new
    // one is complete on disk.
    bool Compact() override;
    // Moves the file, summary and sub-folder directory to the new name, all or none; never over
    // an existing name (letter case ignored). With `parentMoved`, `text` is the new directory.
    bool Rename(const std::string& text, bool parentMoved) override;

    // Appends with one open of the file per run of messages that can be appended. Bodies read
    // from a store for this are let go again after writing, so that a long batch does not hold
    // them all. Stops, keeping what was appended, when the current progress asks to.
    bool AddMessages(const std::vector<CMessage*>& messages, std::vector<bool>& added) override;
    // The listed messages with their bodies, read front to back through one open file.
    bool ForEachListed(const std::function<bool(CMessage&)>& take) override;
    bool ReadsOnceToCopy() const override { return true; }
    bool ForEachToCopy(const std::function<bool(CMessage&)>& take, std::size_t& given) override;
    // One file open and one renumbering for all; those that could not be removed stay listed.
    bool RemoveMessages(const std::vector<CMessage*>& messages) override;
    // Clears the deleted bit of each message's status field in place (one byte; the field keeps
    // its length and every other bit). One file open for all.
    bool UndeleteMessages(const std::vector<CMessage*>& messages) override;
    // A name IsValidFolderName accepts whose files ("name", "name.snm", "name.sbd") fit a
    // directory entry.
    bool CanHoldFolderName(const std::string& name) const override;
    // The folder file and its summary.
    bool OwnsFile(const std::string& file) const override;
    std::vector<std::string> MessageFiles() const override;

    // The directory holding this folder's sub-folders.
    std::string SubFolderDirectory() const;
    // This folder's summary file.
    std::string SummaryPath() const { return m_strPath + ".snm"; }
    // Whether a folder file of this store may be created under `name`, on any file system
    // (IsPortableEntryName). Folders already on disk are listed under any name they bear.
    static bool IsValidFolderName(const std::string& name);

  protected:
    // Deletes the files of this folder and its sub-folders; the root keeps its directory.
    bool DeleteFolder() override;

  private:
    struct CopyJournal;
    class Appender;

    bool Load(bool withDeleted);
    enum class ListOutcome { Read, Unreadable, Stopped };
    // Reads the folder file as a listing does, handing each message to be listed to `take`,
    // which returns false to stop (as the user may).
    ListOutcome ReadListing(bool withDeleted,
                            const std::function<bool(std::unique_ptr<CMessage>)>& take);
    // ForEachMessage with the messages handed over as belonging to `owner` (nullptr: to no
    // folder, so that they are taken as carrying their bodies).
    bool VisitMessages(bool withDeleted, CMails* owner, const MessageVisitor& visit);

    // Lists the children (so that a later first listing cannot drop a node added now) and makes
    // sure the sub-folder directory exists (`created` set when this call made it). False when
    // either fails.
    bool PrepareSubFolderDirectory(std::string& directory, bool* created = nullptr);
    // CopyFolder, noting every change in `journal`.
    CMails* CopyInto(CMails& source, CopyJournal& journal);
    // Appends the sources in order with one open of the file, leaving the bytes that AddMessage
    // called on each would leave. Stops at the first source that cannot be appended; returns how
    // many were (the first ones of the list).
    std::size_t Append(const std::vector<CMessage*>& sources, bool releaseBodies);
};

} // namespace qb
