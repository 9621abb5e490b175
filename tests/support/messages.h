// Messages and folders in memory, and what a folder holds as the tests compare it.
#pragma once

#include "model/mails.h"
#include "model/message.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qb::test {

// A message as a front end or another store hands it over: its header text and its body lines
// in memory, belonging to no folder.
inline std::unique_ptr<CMessage> MakeMessage(const std::string& header,
                                             std::vector<std::string> body = {}) {
    auto m = std::make_unique<CMessage>(0, 0, nullptr, header, "");
    m->m_nBodyLines = static_cast<std::int32_t>(body.size());
    m->m_aBody = std::move(body);
    return m;
}

inline std::unique_ptr<CMessage> SimpleMessage(const std::string& subject,
                                               std::vector<std::string> body = {"x"}) {
    return MakeMessage("Subject: " + subject + "\r\nFrom: a@b\r\nTo: c@d\r\n", std::move(body));
}

// The subject of a message without the blank that follows the field name.
inline std::string SubjectOf(const CMessage& message) {
    std::string subject = message.GetHeaderField("Subject:");
    if (!subject.empty() && subject[0] == ' ')
        subject.erase(0, 1);
    return subject;
}

// The subjects of the messages the folder lists, read afresh.
inline std::vector<std::string> Subjects(CMails& folder) {
    std::vector<std::string> subjects;
    for (auto& m : folder.GetMessages())
        subjects.push_back(SubjectOf(*m));
    return subjects;
}

// Every message the folder lists, read afresh, as "subject:body line|body line|".
inline std::vector<std::string> Contents(CMails& folder) {
    std::vector<std::string> result;
    for (auto& m : folder.GetMessages()) {
        std::string text = SubjectOf(*m) + ":";
        if (!folder.ReadMessage(*m))
            text += "<unreadable>";
        for (const std::string& line : m->m_aBody)
            text += line + "|";
        result.push_back(text);
    }
    return result;
}

inline std::vector<std::string> Names(const std::vector<CMails*>& folders) {
    std::vector<std::string> names;
    for (const CMails* folder : folders)
        names.push_back(folder->m_strName);
    return names;
}

// The names of the folder's sub-folders (loaded when needed), sorted.
inline std::vector<std::string> ChildNames(CMails& folder) {
    std::vector<std::string> names = Names(folder.GetSubFolders());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace qb::test
