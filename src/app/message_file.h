// A message kept in a file of its own in Internet format (header lines, an empty line, body
// lines; CR LF or LF line ends), read into an in-memory message that any folder's AddMessage
// takes. Only the one message is held in memory.
#pragma once

#include "model/mails.h"
#include "model/message.h"

#include <memory>
#include <string>
#include <vector>

namespace qb {

inline constexpr char kTextCannotReadMessageFile[] = "Cannot read message file";
inline constexpr char kTextNotAMessageFile[] = "Not a message file";

// True when `path` names a regular file that can be opened for reading.
bool CanReadMessageFile(const std::string& path);

// Reads the file. The header text holds every header line followed by CR LF (without the empty
// line); the body lines are kept without their line ends; sizes and line counts are those the
// stores write (every line end two bytes). A mailbox "From " envelope line at the very start is
// not part of the message and is left out; a first line "From - ..." is kept as the header's first
// line (a Netscape folder keeps it as the message's separator). `holder` becomes the owning folder,
// so that the message composes its texts on first use; give a plain in-memory folder. Null when the
// file cannot be opened or read (`error` = kTextCannotReadMessageFile), or when its header begins
// with a continuation line (`error` = kTextNotAMessageFile): such a line would join whatever a
// store puts in front of the header, a Netscape status line for one, and change its meaning.
std::unique_ptr<CMessage> ReadMessageFile(const std::string& path, CMails& holder,
                                          std::string& error);

// A message from its header lines and body lines (without line ends), sized as ReadMessageFile
// sizes the message it reads.
std::unique_ptr<CMessage> MakeMessage(CMails& holder, const std::vector<std::string>& header,
                                      std::vector<std::string> body);

} // namespace qb
