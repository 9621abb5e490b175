// Moving and copying folders and messages, by the Move and Copy menus and by drag and drop.
// Copies are always made before anything is removed, so a failed copy never costs the source
// anything.
#pragma once

#include "app/command.h"

#include <string>
#include <vector>

namespace qb {

class CMails;
class CMessage;
class CQuillboxDoc;
class Port;

enum class DropEffect { None, Copy, Move };

// The effect a drag offers over `target` (null: no folder under the cursor). `dragFolder` is the
// folder dragged out of the tree, null when messages are dragged from the list of `selected`.
DropEffect DragOverEffect(CMails* dragFolder, CMails* target, CMails* selected, bool ctrl,
                          bool shift);

// The answer to the same-name question of a folder copy.
enum class NameAnswer { None, Yes, No, Cancel };

// The first name of "name", "name(1)", "name(2)", ... that no folder of `siblings` bears
// (compared without regard to case).
std::string FreeFolderName(const std::string& name, const std::vector<CMails*>& siblings);

inline constexpr char kSameNameMoveQuestion[] =
    "There is already a folder which has same name.\n Press Yes to add tow folders\n Press No to "
    "move with a new name\n Press Cancel to cancel operation";
inline constexpr char kSameNameCopyQuestion[] =
    "There is already a folder which has same name.\n Press Yes to add tow folders\n Press No to "
    "copy with a new name\n Press Cancel to cancel operation";
// A message the destination folder refused; the others go on.
inline constexpr char kTextCannotAddMessage[] = "Cannot add a message in destination folder";

class CMoveCopyCommands {
  public:
    explicit CMoveCopyCommands(CQuillboxDoc& doc);

    // The Move and Copy menu entries (ids from the document's folder table).
    Outcome OnMoveTo(int id, const Selection& selection);
    Outcome OnCopyTo(int id, const Selection& selection);
    Outcome MoveTo(CMails* dest, const Selection& selection);
    Outcome CopyTo(CMails* dest, const Selection& selection);

    // Drag and drop onto the folder tree. A drag begins with one of the Begin calls; DragOver
    // runs on every move over the tree (target null over empty space); Drop runs when the user
    // drops (returns whether the drop is accepted); EndDrag runs at the drag source with the
    // resulting effect and removes the source of a move.
    void BeginFolderDrag(CMails* folder);
    void BeginMessageDrag();
    DropEffect DragOver(CMails* target, const Selection& selection, bool ctrl, bool shift);
    bool Drop(DropEffect effect, const Selection& selection);
    Outcome EndDrag(DropEffect effect, const Selection& selection);
    CMails* DragFolder() const { return m_pDragFolder; }
    CMails* DropFolder() const { return m_pDropFolder; }
    bool DropCancelled() const { return m_bDropCancelled; }
    // Forgets the drag in progress: the folders and messages it names are about to be freed.
    void ForgetDrag();

  private:
    Outcome MoveOrCopy(CMails* dest, const Selection& selection, bool move);
    Outcome MoveOrCopyFolder(CMails* source, CMails* dest, bool move);
    Outcome MoveOrCopyMessages(CMails* source, CMails* dest, std::vector<CMessage*> messages,
                               bool move);
    // Name resolution and copy step. Returns the copy (null when cancelled or failed) and sets
    // `answer`; a failure has been reported.
    CMails* CopyFolderResolvingName(CMails* source, CMails* dest, const char* question,
                                    NameAnswer& answer);

    CQuillboxDoc& m_doc;
    Port& m_port;

    // Drag state of the folder tree.
    CMails* m_pDragFolder = nullptr;
    CMails* m_pDropFolder = nullptr;
    bool m_bDropCancelled = false;
    bool m_bMessageDrag = false;
    // The copy the last folder drop made (or merged into), checked before the source goes.
    CMails* m_pDropCopy = nullptr;
    // Messages the last message drop added to its target, for the move completion.
    std::vector<CMessage*> m_droppedMessages;
};

} // namespace qb
