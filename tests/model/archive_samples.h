// Folder trees and expected archive bytes for the archive tests and the fuzzing seeds; the
// archive byte builder itself is shared (support/bytes.h).
#pragma once

#include "model/mails.h"
#include "support/bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qb::test {

struct FolderSpec {
    std::string name;
    std::vector<ArchiveMessage> messages;
    std::vector<FolderSpec> children;
    std::uint32_t header3 = 0;
    std::int32_t flags = 0;
    std::uint32_t header2 = 0;
    std::uint32_t header1 = 0;
};

// Equal byte strings; on a difference, reports where and a short hex excerpt of each side.
inline ::testing::AssertionResult SameBytes(const std::string& actual,
                                            const std::string& expected) {
    if (actual == expected)
        return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    const auto hex = [at](const std::string& s) {
        std::string out;
        static const char kDigits[] = "0123456789ABCDEF";
        for (std::size_t i = at; i < s.size() && i < at + 16; ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
            out += ' ';
        }
        return out;
    };
    return ::testing::AssertionFailure()
           << "sizes " << actual.size() << " and " << expected.size() << ", first difference at "
           << at << ": actual " << hex(actual) << "| expected " << hex(expected);
}

inline void AddSampleMessage(CMails& folder, const ArchiveMessage& spec) {
    CMessage source(0, 0, nullptr, spec.header, "");
    source.m_nSize = spec.size;
    source.m_nBodySize = spec.bodySize;
    source.m_nLines = spec.lines;
    source.m_nBodyLines =
        spec.bodyLines < 0 ? static_cast<std::int32_t>(spec.body.size()) : spec.bodyLines;
    source.m_aBody = spec.body;
    folder.AddMessage(source);
}

// Fills `folder` (a plain folder) from `spec`. Children come in the spec's order, or in the
// opposite order when `reversed`, at every level.
inline void BuildFolder(CMails& folder, const FolderSpec& spec, bool reversed) {
    folder.m_strName = spec.name;
    folder.m_nHeader3 = spec.header3;
    folder.m_nFlags = spec.flags;
    folder.m_wHeader2 = spec.header2;
    folder.m_wHeader1 = spec.header1;
    for (const ArchiveMessage& m : spec.messages)
        AddSampleMessage(folder, m);
    // Each new child goes first, so the last one created ends up first.
    std::vector<const FolderSpec*> order;
    for (const FolderSpec& child : spec.children)
        order.push_back(&child);
    if (!reversed)
        std::reverse(order.begin(), order.end());
    for (const FolderSpec* child : order) {
        CMails* made = folder.CreateFolder(child->name);
        BuildFolder(*made, *child, reversed);
    }
}

inline ArchiveMessage PictureMessage() {
    return {"From: a@b.example\r\nSubject: pic\r\n"
            "Content-Type: multipart/mixed; boundary=\"XX\"\r\n",
            {"--XX", "Content-Type: text/plain", "", "See the picture.", "--XX",
             "Content-Type: image/gif; name=a.gif", "", "R0lGODlh", "--XX--"},
            0x80000001,
            120,
            12,
            9};
}

// Three levels, header values, a multipart message, a 300-byte header, lines long enough for
// the word and dword length forms, empty folders and an empty body: several buffers' worth.
inline FolderSpec SampleTree() {
    FolderSpec old{"Old",
                   {{"Subject: one\r\n", {"1"}}, {"Subject: two\r\n", {"2", "", "22"}}},
                   {{"Older", {}, {}}}};
    FolderSpec work{
        "Work", {{"Subject: big\r\n", {std::string(5000, 'b'), std::string(70000, 'c')}}}, {old}};
    FolderSpec top{
        "Mail",
        {PictureMessage(), {"X-Long: " + std::string(290, 'h') + "\r\n", {"plain"}, 310, 7, 2, 1}},
        {{"Home", {{"Subject: empty body\r\n", {}}}, {}}, {"Empty", {}, {}}, work},
        1000,
        0x10,
        7,
        3};
    return top;
}

inline FolderSpec SmallTree() {
    return {"S",
            {{"Subject: s\r\n", {"a", "bb"}, 40, 9, 5, 2}},
            {{"C", {{"Subject: c\r\n", {"c"}}}, {{"D", {}, {}}}}},
            1,
            2,
            3,
            4};
}

// Small archives that start the fuzzer off in every part of the format.
inline std::vector<std::pair<std::string, FolderSpec>> SeedTrees() {
    FolderSpec nested{"Top", {}, {{"Empty", {}, {{"Deep", {{"A: 1\r\n", {"x"}}}, {}}}}}};
    FolderSpec picture{"Pictures", {PictureMessage()}, {}};
    return {{"empty", {"Inbox", {}, {}}},
            {"small", SmallTree()},
            {"nested", nested},
            {"multipart", picture}};
}

} // namespace qb::test
