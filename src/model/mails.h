// A mail folder: a tree node that owns its messages and its sub-folders and declares what every
// store can do. The class itself is the plain in-memory folder (store type 0); each on-disk format
// overrides the store operations. Store operations report failure by their result only.
#pragma once

#include "model/message.h"
#include "model/tree_node.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qb {

class CArchive;

using MessageList = std::vector<std::unique_ptr<CMessage>>;

// Called by ForEachMessage with one message, its body lines read, and whether the store marks it
// deleted (not yet compacted away). Returns false to stop.
using MessageVisitor = std::function<bool(CMessage& message, bool deleted)>;
// Called by VisitListing with one message as a listing holds it (header, no body lines). Returns
// false to stop.
using ListingVisitor = std::function<bool(CMessage& message)>;

class CMails : public CTreeNode {
  public:
    enum Type : std::int16_t { kPlain = 0, kInternetMail = 1, kNetscape = 2 };

    CMails(std::string name, std::string path, std::int16_t type = kPlain);
    ~CMails() override;

    // ---- store operations ----
    virtual bool LoadFolders();
    virtual bool LoadMessages();
    // LoadMessages with the messages marked deleted listed too, in store order, each with
    // m_bDeleted set. A store that keeps no such mark lists what LoadMessages lists.
    virtual bool LoadMessagesWithDeleted();
    virtual bool AddMessage(CMessage& source);
    virtual CMails* CreateFolder(const std::string& name);
    virtual CMails* CopyFolder(CMails& source);
    virtual bool RemoveMessage(CMessage* message);
    virtual bool ReadMessage(CMessage& message);
    // Reads the bodies of some of this folder's messages, in the order given, and hands each
    // message to `each` with its body as stored (its lines with their line ends), or with null
    // when that body cannot be read. For readers that go through many messages: a store opens
    // its file once for all, and no line objects are made. The base joins the lines ReadMessage
    // gives with CR LF and leaves the messages' lines as they were. False when `each` returned
    // false, which stops the reading.
    using BodyVisitor = std::function<bool(CMessage&, const std::string*)>;
    virtual bool ReadBodies(const std::vector<CMessage*>& messages, const BodyVisitor& each);
    virtual bool Compact();
    virtual bool Rename(const std::string& text, bool parentMoved);

    // ---- many messages at once ----
    // The files end up as the one-message operations called in turn would leave them; a store
    // opens each file once for the whole batch.
    // Appends the messages in order; added[i] tells whether messages[i] was appended. A message
    // that cannot be appended does not stop the others. True when all were.
    virtual bool AddMessages(const std::vector<CMessage*>& messages, std::vector<bool>& added);
    // Removes the messages as RemoveMessage of each would. True when all were.
    virtual bool RemoveMessages(const std::vector<CMessage*>& messages);
    // Hands the listed messages (m_pMessages as the last LoadMessages left it) to `take` in order,
    // for copying them elsewhere. A store may hand over in-memory copies that carry their bodies
    // (valid only during the call); a folder that keeps its messages elsewhere (one read from a
    // backup archive) reads them one at a time here. False when `take` returned false or a
    // message could not be read; the rest are not handed over.
    virtual bool ForEachListed(const std::function<bool(CMessage&)>& take);
    // How many messages ForEachListed hands over.
    virtual std::size_t MessageCount() const { return m_pMessages.size(); }
    // Whether ForEachToCopy reads the store itself, in one pass, so that a copy need not list the
    // folder first. The base folder hands over its list.
    virtual bool ReadsOnceToCopy() const { return false; }
    // Hands the messages to copy to `take` in order and tells in `given` how many went. A store
    // that ReadsOnceToCopy reads its files once, front to back, and hands over in-memory copies
    // that carry their bodies (valid only during the call) of every message not marked deleted,
    // leaving the list of messages as it was; others hand over what ForEachListed does. False
    // when `take` returned false or the store could not be read to its end.
    virtual bool ForEachToCopy(const std::function<bool(CMessage&)>& take, std::size_t& given);

    // ---- messages marked deleted ----
    // Clears the deleted mark of listed messages (from GetMessagesWithDeleted) in place; they
    // stay listed, with m_bDeleted cleared. A message without the mark is left as it is. All or
    // nothing: writes only after making sure each message is still where it was listed, and
    // false, with the store as it was, when one is not this folder's, has moved or a write fails.
    virtual bool UndeleteMessages(const std::vector<CMessage*>& messages);
    bool UndeleteMessage(CMessage* message) { return UndeleteMessages({message}); }

    // ---- every message in turn ----
    // Reads the folder's messages in store order, each with its header and body lines, and hands
    // them to `visit` one at a time: a store holds one message in memory at a time, whatever the
    // folder's size, and reads its files once, front to back. Messages marked deleted come too
    // when `withDeleted`. The list of messages is not changed. True once every message was
    // handed over or `visit` asked to stop; false when the store could not be read to its end
    // (what was handed over until then is as stored). The base folder hands over its list.
    virtual bool ForEachMessage(bool withDeleted, const MessageVisitor& visit);
    // Reads the messages a listing would hold (GetMessages, or GetMessagesWithDeleted when
    // `withDeleted`) and hands them to `visit` in that order, one at a time, without keeping
    // them: a store holds one message in memory at a time. m_strDamage tells of a listing cut
    // short, as after LoadMessages. The base folder hands over its list.
    virtual void VisitListing(bool withDeleted, const ListingVisitor& visit);
    // Bytes of the files this folder's own messages are kept in (0 when none), for telling how
    // far ForEachMessage got: a message ends about m_nOffset + m_nSize bytes into them.
    virtual std::int64_t StoreBytes() const;

    // ---- what the store can hold ----
    // Whether a folder of this name can be created, copied or restored below this folder: the
    // store's rules for names, their length included. The plain folder takes any name.
    virtual bool CanHoldFolderName(const std::string& name) const;
    // Whether folders copied or restored into this folder keep their sub-folders (a store whose
    // folders do not nest takes their messages only).
    virtual bool HoldsSubFolders() const;
    // Whether `file`, an absolute and normalised path (AbsolutePath), is one of the files this
    // folder's own messages are kept in. The plain folder keeps none.
    virtual bool OwnsFile(const std::string& file) const;
    // The files whose change on disk changes this folder's message list (none for the plain
    // folder and a store's root).
    virtual std::vector<std::string> MessageFiles() const;

    // Re-reads the messages from the store (the result of LoadMessages is not reported) and
    // returns the list. Earlier CMessage pointers of this folder are invalid afterwards.
    MessageList& GetMessages();
    // The same with the messages marked deleted (LoadMessagesWithDeleted).
    MessageList& GetMessagesWithDeleted();
    // How many messages of this folder are marked deleted, read from the store without touching
    // the listed messages. False (count 0) when the folder cannot be read.
    bool CountDeletedMessages(std::uint64_t& count);
    // The children, loading them from the store the first time (and again after a failed load).
    std::vector<CMails*> GetSubFolders();
    void FreeMessages();
    // Deletes the sub-folder `child` with its own sub-folders, from the store and from the tree.
    // On success the node comes back detached, to be let go of once nothing refers to it any
    // more. Null when `child` is not a sub-folder of this folder or the store could not delete
    // it; what was deleted until then is gone from the store and the tree, the rest stays.
    std::unique_ptr<CMails> DeleteSubFolder(CMails* child);
    // Adds `folder` in front of the children, which own it from now on, and returns it.
    template <typename Folder> Folder* AddSubFolder(std::unique_ptr<Folder> folder) {
        Folder* added = folder.get();
        AddChild(std::move(folder));
        return added;
    }
    CMails* FindFolder(const std::string& path);
    bool Contains(const CMails* folder);
    CMails* GetRoot();
    CMails* GetParentFolder() { return static_cast<CMails*>(GetParent()); }
    std::int16_t GetType() const { return m_nType; }

    // ---- backup archive ----
    // Writes this folder (re-read from its store) and, when `recursive`, all its sub-folders.
    // False when the archive is not storing or a write failed.
    bool StoreTree(CArchive& archive, bool recursive);
    // Reads one folder record with its sub-folders into this folder: name replaced, header
    // values added, flags OR-ed, messages added with AddMessage, each sub-folder copied in with
    // CopyFolder. The whole record is checked before anything is added, and only one message is
    // held at a time (CArchivedMails). False when the archive is not loading, holds a damaged
    // record (its error says which) or a message or folder could not be added.
    bool LoadTree(CArchive& archive);
    // Writes this folder's own record (name, header values, flags, messages), without
    // sub-folders, to a storing archive.
    bool Serialize(CArchive& archive);

    // The children already in memory, in child order, without loading anything.
    std::vector<CMails*> Children() const;

    std::int32_t m_nFlags = 0;
    // Internet Mail: record count, last message id, message file length. Held in 32 bits.
    std::uint32_t m_wHeader1 = 0;
    std::uint32_t m_wHeader2 = 0;
    std::uint32_t m_nHeader3 = 0;
    std::int16_t m_nType = kPlain;
    bool m_bFoldersPending = true;
    // What the last listing of this folder's messages could not read, "" when it read the whole
    // file (a listing the user stopped, or a file that cannot be opened at all, says nothing
    // here): "damaged at byte N: M messages read", the messages before the damage listed.
    std::string m_strDamage;
    MessageList m_pMessages;
    // What the message files looked like when the list was last read through ListMessages (the
    // application layer's listing), to tell whether another program changed them since.
    std::vector<std::int64_t> m_listedStamp;

  protected:
    // Deletes this folder's store files and those of all its sub-folders, deepest first, each
    // sub-folder with DeleteSubFolder; this node stays where it is (its parent takes it out). The
    // base folder deletes its sub-folders only. False at the first failure.
    virtual bool DeleteFolder();
    // Takes `message` out of the list, destroys it and renumbers the rest to their positions.
    bool EraseMessage(const CMessage* message);
};

} // namespace qb
