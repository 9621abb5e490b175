// Adding and removing many messages at once through the stores' batch operations, which leave the
// same files as the one-message operations but open each file once.
#pragma once

#include <vector>

namespace qb {

class CMails;
class CMessage;

// Appends the messages to `dest` in order; added[i] tells whether messages[i] was appended. A
// message that cannot be appended does not stop the others.
void AddMessagesTo(CMails& dest, const std::vector<CMessage*>& messages, std::vector<bool>& added);
// Removes the messages from `folder` as RemoveMessage of each would (results not reported).
void RemoveMessagesFrom(CMails& folder, const std::vector<CMessage*>& messages);

} // namespace qb
