// Rules of moving and copying folders and messages that do not need the document.
#pragma once

#include <string>
#include <vector>

namespace qb {

class CMails;

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

} // namespace qb
