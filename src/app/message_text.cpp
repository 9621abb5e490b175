#include "app/message_text.h"

#include "model/message.h"

namespace qb {

MessageDisplay ComposeMessageDisplay(CMessage& message) {
    MessageDisplay display;
    std::string& text = display.text;
    text += "Subject : " + message.GetHeaderField("Subject:") + "\n";
    text += "Date : " + message.GetHeaderField("Date:") + "\n";
    text += "From : " + message.GetHeaderField("From:") + "\n";
    text += "To : " + message.GetHeaderField("To:") + "\n";
    text += "\n";
    display.headerEnd = text.size();
    text += message.GetText();
    text += "\n";
    display.bodyEnd = text.size();
    text += message.GetAttachText();
    return display;
}

} // namespace qb
