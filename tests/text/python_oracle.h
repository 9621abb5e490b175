// Python's email package as the oracle: the tests write their cases to files, a small Python
// script decodes them and prints one "case TAB field TAB hex-of-UTF-8" line per answer.
#pragma once

#include "support/temp_dir.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qb::test {

struct OracleCase {
    OracleCase(std::string n, std::string b, std::string m = "python", std::string c = {})
        : name(std::move(n)), bytes(std::move(b)), mode(std::move(m)), pythonCharset(std::move(c)) {
    }
    std::string name;  // also the file name
    std::string bytes; // what both sides decode
    // "python": Python's own decoding is the expectation. "issue": text that is not what it says
    // (undeclared 8-bit, mislabelled), where the expected order is valid UTF-8, then the declared
    // charset, then windows-1252; the script applies that order with Python's codecs.
    std::string mode;
    // A codec name for Python when it lacks the label the mail uses (x-sjis and the like).
    std::string pythonCharset;
};

using OracleAnswers = std::map<std::string, std::map<std::string, std::string>>;

// The helper every script starts with: the order for text that is not what it says.
inline const char* kIssueOrderPython = R"(
import sys, os
def issue_order(data, declared=None):
    try:
        return data.decode('utf-8')
    except UnicodeDecodeError:
        pass
    if declared:
        try:
            return data.decode(declared)
        except (UnicodeDecodeError, LookupError):
            pass
    return data.decode('cp1252', 'replace')
def emit(name, field, value):
    if isinstance(value, str):
        value = value.encode('utf-8')
    print(name, field, value.hex(), sep='\t')
def cases():
    d = sys.argv[1]
    for line in open(os.path.join(d, 'manifest'), encoding='ascii'):
        name, mode, override = line.rstrip('\n').split('\t')
        yield name, mode, override or None, open(os.path.join(d, name), 'rb').read()
)";

inline std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// Runs the script (kIssueOrderPython + `script`) over the cases. Empty, with `why` set, when
// python3 is missing or fails.
inline std::optional<OracleAnswers>
AskPython(const std::string& script, const std::vector<OracleCase>& cases, std::string& why) {
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) {
        why = "python3 is not installed (scripts/bootstrap installs it); the oracle cannot run";
        return std::nullopt;
    }
    TempDir dir;
    std::string manifest;
    for (const OracleCase& c : cases) {
        WriteFile(dir / c.name, c.bytes);
        manifest += c.name + "\t" + c.mode + "\t" + c.pythonCharset + "\n";
    }
    WriteFile(dir / "manifest", manifest);
    WriteFile(dir / "oracle.py", std::string(kIssueOrderPython) + script);
    const std::string command = "python3 " + (dir / "oracle.py") + " " + dir.path() + " > " +
                                (dir / "answers") + " 2> " + (dir / "errors");
    if (std::system(command.c_str()) != 0) {
        why = "the Python oracle failed: " + ReadFile(dir / "errors");
        return std::nullopt;
    }
    OracleAnswers answers;
    const std::string text = ReadFile(dir / "answers");
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t eol = text.find('\n', pos);
        const std::string line = text.substr(pos, eol - pos);
        pos = eol == std::string::npos ? text.size() : eol + 1;
        const std::size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
        if (t1 == std::string::npos || t2 == std::string::npos)
            continue;
        answers[line.substr(0, t1)][line.substr(t1 + 1, t2 - t1 - 1)] =
            FromHex(line.substr(t2 + 1));
    }
    return answers;
}

} // namespace qb::test
