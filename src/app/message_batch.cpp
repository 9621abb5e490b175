#include "app/message_batch.h"

#include "model/mails.h"
#include "stores/internet_mails.h"
#include "stores/netscape_mails.h"

namespace qb {

void AddMessagesTo(CMails& dest, const std::vector<CMessage*>& messages, std::vector<bool>& added) {
    added.assign(messages.size(), false);
    if (auto* internet = dynamic_cast<CInternetMails*>(&dest)) {
        internet->AddMessages(messages, added);
        added.resize(messages.size(), false);
        return;
    }
    if (auto* netscape = dynamic_cast<CNetscapeMails*>(&dest)) {
        // The batch stops at the first message it cannot append; that one is left out and the
        // rest go on in a new batch.
        std::size_t next = 0;
        while (next < messages.size()) {
            const std::vector<CMessage*> rest(messages.begin() + static_cast<std::ptrdiff_t>(next),
                                              messages.end());
            const std::size_t count = netscape->AddMessages(rest);
            for (std::size_t i = 0; i < count && next + i < messages.size(); ++i)
                added[next + i] = true;
            next += count + 1;
        }
        return;
    }
    for (std::size_t i = 0; i < messages.size(); ++i)
        added[i] = dest.AddMessage(*messages[i]);
}

void RemoveMessagesFrom(CMails& folder, const std::vector<CMessage*>& messages) {
    if (messages.empty())
        return;
    if (auto* internet = dynamic_cast<CInternetMails*>(&folder)) {
        internet->RemoveMessages(messages);
        return;
    }
    if (auto* netscape = dynamic_cast<CNetscapeMails*>(&folder)) {
        netscape->RemoveMessages(messages);
        return;
    }
    for (CMessage* message : messages)
        folder.RemoveMessage(message);
}

} // namespace qb
