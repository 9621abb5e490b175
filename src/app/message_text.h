// The text the message pane shows for one message, also printed by the command line's `show`.
#pragma once

#include <cstddef>
#include <string>

namespace qb {

class CMessage;

struct MessageDisplay {
    // "Subject : ", "Date : ", "From : ", "To : " lines, an empty line, the body, a line feed and
    // the attachment summary.
    std::string text;
    std::size_t headerEnd = 0; // end of the header block (its empty line included)
    std::size_t bodyEnd = 0;   // end of the body's closing line feed; the summary follows
};

// Reads the message's body through its folder when not read yet; a message that cannot be read
// shows its header block and an empty body.
MessageDisplay ComposeMessageDisplay(CMessage& message);

} // namespace qb
