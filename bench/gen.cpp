// Deterministic generator of large Netscape folders for benchmarks and big-input checks.
//
//   quillbox-gen netscape FILE MESSAGES [SEED] [DELETED_PERCENT]
//
// Writes one Netscape folder file with realistic header fields, bodies of varying length, a share
// of multipart messages with base64 attachments and a share marked deleted. The same arguments
// always give the same bytes.
//
//   quillbox-gen imn DIR NAME MESSAGES [SEED] [REMOVED_PERCENT]
//
// Writes the Internet Mail folder DIR/NAME (.mbx and .idx) through the store itself, with the same
// kind of messages, and marks a share of them removed.
#include "stores/internet_mails.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kNames[] = {"Alice Archer", "Bob Brennan",  "Carla Diaz", "Dmitri Volkov",
                              "Erin O'Neil",  "Farid Haddad", "Grace Liu",  "Hugo Martin"};
const char* const kWords[] = {"meeting", "report",   "quarterly", "budget",   "draft",
                              "holiday", "invoice",  "review",    "project",  "update",
                              "lunch",   "schedule", "the",       "and",      "for",
                              "with",    "about",    "please",    "attached", "notes"};
const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <std::size_t N> const char* Pick(std::mt19937_64& rng, const char* const (&list)[N]) {
    return list[rng() % N];
}

std::string Address(std::mt19937_64& rng) {
    std::string name = Pick(rng, kNames);
    std::string user;
    for (char c : name)
        if (c != ' ' && c != '\'')
            user += static_cast<char>(c | 0x20);
    return name + " <" + user + "@example.org>";
}

std::string Sentence(std::mt19937_64& rng, int words) {
    std::string s;
    for (int i = 0; i < words; ++i) {
        if (i)
            s += ' ';
        s += Pick(rng, kWords);
    }
    return s;
}

} // namespace

int ImnMain(int argc, char** argv);

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "imn")
        return ImnMain(argc, argv);
    if (argc < 4 || std::string(argv[1]) != "netscape") {
        std::fprintf(stderr,
                     "usage: quillbox-gen netscape FILE MESSAGES [SEED] [DELETED_PERCENT]\n");
        return 2;
    }
    const long count = std::atol(argv[3]);
    const unsigned long seed = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 1;
    const int deletedPercent = argc > 5 ? std::atoi(argv[5]) : 5;
    std::mt19937_64 rng(seed);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::string m;
    for (long i = 0; i < count; ++i) {
        m.clear();
        const bool deleted = static_cast<int>(rng() % 100) < deletedPercent;
        const bool multipart = rng() % 5 == 0;
        m += "From - \r\n";
        m += deleted ? "X-Mozilla-Status: 0009\r\n" : "X-Mozilla-Status: 0001\r\n";
        m += "Return-Path: <bounce@example.org>\r\n";
        m += "Received: from mail.example.org by mx.example.net; " + std::string(Pick(rng, kDays)) +
             ", 1 Mar 1999 10:00:00 +0000\r\n";
        m += "Message-ID: <" + std::to_string(seed) + "." + std::to_string(i) + "@example.org>\r\n";
        m += "Date: " + std::string(Pick(rng, kDays)) + ", " + std::to_string(1 + rng() % 28) +
             " " + Pick(rng, kMonths) + " " + std::to_string(1996 + rng() % 6) + " " +
             std::to_string(10 + rng() % 14) + ":" + std::to_string(10 + rng() % 50) +
             ":00 +0100\r\n";
        m += "From: " + Address(rng) + "\r\n";
        m += "To: " + Address(rng) + "\r\n";
        m += "Subject: " + Sentence(rng, 2 + static_cast<int>(rng() % 6)) + " #" +
             std::to_string(i) + "\r\n";
        m += "MIME-Version: 1.0\r\n";
        const int lines = 3 + static_cast<int>(rng() % 120);
        if (!multipart) {
            m += "Content-Type: text/plain; charset=us-ascii\r\n\r\n";
            for (int l = 0; l < lines; ++l)
                m += Sentence(rng, 1 + static_cast<int>(rng() % 12)) + "\r\n";
        } else {
            m += "Content-Type: multipart/mixed; boundary=\"=_gen" + std::to_string(i) +
                 "\"\r\n\r\n";
            const std::string b = "--=_gen" + std::to_string(i);
            m += "This is a multi-part message in MIME format.\r\n" + b +
                 "\r\nContent-Type: text/plain\r\n\r\n";
            for (int l = 0; l < lines; ++l)
                m += Sentence(rng, 1 + static_cast<int>(rng() % 12)) + "\r\n";
            m += b + "\r\nContent-Type: application/octet-stream; name=\"file" + std::to_string(i) +
                 ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
            const int attachLines = 20 + static_cast<int>(rng() % 560);
            static const char kB64[] =
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            for (int l = 0; l < attachLines; ++l) {
                std::string line(76, 'A');
                for (char& c : line)
                    c = kB64[rng() % 64];
                m += line + "\r\n";
            }
            m += b + "--\r\n";
        }
        m += "\r\n";
        out.write(m.data(), static_cast<std::streamsize>(m.size()));
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

namespace {

// One message of an Internet Mail folder: header lines (with their CR LF) and body lines.
std::unique_ptr<qb::CMessage> ImnMessage(std::mt19937_64& rng, unsigned long seed, long i) {
    std::string h;
    h += "Received: from mail.example.org by mx.example.net; " + std::string(Pick(rng, kDays)) +
         ", 1 Mar 1999 10:00:00 +0000\r\n";
    h += "Message-ID: <" + std::to_string(seed) + "." + std::to_string(i) + "@example.org>\r\n";
    h += "Date: " + std::string(Pick(rng, kDays)) + ", " + std::to_string(1 + rng() % 28) + " " +
         Pick(rng, kMonths) + " " + std::to_string(1996 + rng() % 6) + " 10:00:00 +0100\r\n";
    h += "From: " + Address(rng) + "\r\n";
    h += "To: " + Address(rng) + "\r\n";
    h += "Subject: " + Sentence(rng, 2 + static_cast<int>(rng() % 6)) + " #" + std::to_string(i) +
         "\r\n";
    h += "MIME-Version: 1.0\r\n";
    std::vector<std::string> body;
    const int lines = 3 + static_cast<int>(rng() % 120);
    if (rng() % 5 != 0) {
        h += "Content-Type: text/plain; charset=us-ascii\r\n";
        for (int l = 0; l < lines; ++l)
            body.push_back(Sentence(rng, 1 + static_cast<int>(rng() % 12)));
    } else {
        const std::string b = "=_gen" + std::to_string(i);
        h += "Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n";
        body.push_back("This is a multi-part message in MIME format.");
        body.push_back("--" + b);
        body.push_back("Content-Type: text/plain");
        body.push_back("");
        for (int l = 0; l < lines; ++l)
            body.push_back(Sentence(rng, 1 + static_cast<int>(rng() % 12)));
        body.push_back("--" + b);
        body.push_back("Content-Type: application/octet-stream; name=\"file" + std::to_string(i) +
                       ".bin\"");
        body.push_back("Content-Transfer-Encoding: base64");
        body.push_back("");
        static const char kB64[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const int attachLines = 20 + static_cast<int>(rng() % 560);
        for (int l = 0; l < attachLines; ++l) {
            std::string line(76, 'A');
            for (char& c : line)
                c = kB64[rng() % 64];
            body.push_back(std::move(line));
        }
        body.push_back("--" + b + "--");
    }
    auto m = std::make_unique<qb::CMessage>(0, 0, nullptr, h, "");
    m->m_nBodyLines = static_cast<std::int32_t>(body.size());
    m->m_aBody = std::move(body);
    return m;
}

} // namespace

int ImnMain(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: quillbox-gen imn DIR NAME MESSAGES [SEED] [REMOVED_PERCENT]\n");
        return 2;
    }
    const std::string dir = argv[2];
    const std::string name = argv[3];
    const long count = std::atol(argv[4]);
    const unsigned long seed = argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 1;
    const int removedPercent = argc > 6 ? std::atoi(argv[6]) : 0;
    std::mt19937_64 rng(seed);
    qb::CInternetMails root("Generated", dir);
    qb::CMails* folder = root.CreateFolder(name);
    if (folder == nullptr) {
        std::fprintf(stderr, "cannot create %s/%s (does it exist already?)\n", dir.c_str(),
                     name.c_str());
        return 1;
    }
    auto* target = static_cast<qb::CInternetMails*>(folder);
    // Appended in batches, so that memory stays small whatever the count.
    constexpr long kBatch = 1000;
    for (long start = 0; start < count; start += kBatch) {
        std::vector<std::unique_ptr<qb::CMessage>> messages;
        std::vector<qb::CMessage*> list;
        for (long i = start; i < std::min(count, start + kBatch); ++i) {
            messages.push_back(ImnMessage(rng, seed, i));
            list.push_back(messages.back().get());
        }
        std::vector<bool> added;
        if (!target->AddMessages(list, added)) {
            std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), name.c_str());
            return 1;
        }
    }
    if (removedPercent > 0) {
        target->LoadMessages();
        std::vector<qb::CMessage*> gone;
        for (auto& m : target->m_pMessages) {
            if (static_cast<int>(rng() % 100) < removedPercent)
                gone.push_back(m.get());
        }
        if (!gone.empty() && !target->RemoveMessages(gone)) {
            std::fprintf(stderr, "cannot mark messages removed in %s/%s\n", dir.c_str(),
                         name.c_str());
            return 1;
        }
    }
    return 0;
}
