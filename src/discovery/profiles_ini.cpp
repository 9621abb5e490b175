#include "discovery/profiles_ini.h"

#include "discovery/text_codes.h"

#include <algorithm>

namespace qb::discovery {

const std::string* IniSection::Find(std::string_view key) const {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->first == key)
            return &it->second;
    }
    return nullptr;
}

bool ParseIni(std::string_view text, std::vector<IniSection>& sections, std::string& error) {
    std::vector<IniSection> read;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = TrimBlanks(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        std::string why;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                why = "bad section name";
            else
                read.push_back(IniSection{std::string(line.substr(1, line.size() - 2)), {}});
        } else if (const std::size_t equals = line.find('='); equals == std::string_view::npos) {
            why = "neither a section nor an entry";
        } else if (read.empty()) {
            why = "entry before any section";
        } else {
            read.back().entries.emplace_back(std::string(TrimBlanks(line.substr(0, equals))),
                                             std::string(TrimBlanks(line.substr(equals + 1))));
        }
        if (!why.empty()) {
            sections.clear();
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    sections = std::move(read);
    return true;
}

} // namespace qb::discovery
