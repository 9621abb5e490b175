#include "platform/registry_file.h"

#include "platform/file_system.h"
#include "platform/paths.h"

#include <cstdlib>

namespace qb {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kHiveNames[2] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
// A registry file larger than this is not ours; refuse it rather than exhaust memory.
constexpr std::int64_t kMaxFileSize = 64 * 1024 * 1024;

int HiveIndex(Hive hive) {
    return hive == Hive::CurrentUser ? 0 : 1;
}

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Fold(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = ToUpperAscii(c);
    return result;
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Key paths as read from the file: no empty name, nothing the line format cannot carry.
bool IsWellFormedPath(std::string_view key) {
    if (key.empty())
        return true;
    if (HasLineBreakOrNul(key))
        return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = key.find('\\', start);
        const std::size_t length = (end == std::string_view::npos ? key.size() : end) - start;
        if (length == 0)
            return false;
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

std::string_view LastName(std::string_view path) {
    const std::size_t pos = path.rfind('\\');
    return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back())))
        text.remove_suffix(1);
    return text;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out, std::string& why) {
    out.clear();
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= text.size() || (text[pos] != '\\' && text[pos] != '"')) {
                why = "unknown escape in a quoted text";
                return false;
            }
            out += text[pos++];
        } else {
            out += c;
        }
    }
    why = "unterminated quoted text";
    return false;
}

} // namespace

// ---- RegistryData ---------------------------------------------------------------------------

bool RegistryData::KeyOrder::operator()(const std::string& a, const std::string& b) const {
    // The separator sorts before every other character, so that a key's descendants follow it
    // directly and siblings stay in name order.
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ra = a[i] == '\\' ? 0 : static_cast<unsigned char>(a[i]) + 1;
        const int rb = b[i] == '\\' ? 0 : static_cast<unsigned char>(b[i]) + 1;
        if (ra != rb)
            return ra < rb;
    }
    return a.size() < b.size();
}

bool RegistryData::IsValidKeyPath(std::string_view key) {
    if (!IsWellFormedPath(key))
        return false;
    std::size_t start = 0;
    while (start <= key.size() && !key.empty()) {
        std::size_t end = key.find('\\', start);
        if (end == std::string_view::npos)
            end = key.size();
        if (end - start > kMaxKeyNameLength)
            return false;
        start = end + 1;
    }
    return true;
}

void RegistryData::Clear() {
    m_keys[0].clear();
    m_keys[1].clear();
}

const RegistryData::Key* RegistryData::FindKey(Hive hive, std::string_view key) const {
    const KeyMap& keys = m_keys[HiveIndex(hive)];
    const auto it = keys.find(Fold(key));
    return it == keys.end() ? nullptr : &it->second;
}

RegistryData::Key* RegistryData::FindOrCreateKey(Hive hive, std::string_view key) {
    KeyMap& keys = m_keys[HiveIndex(hive)];
    const std::string folded = Fold(key);
    if (const auto it = keys.find(folded); it != keys.end())
        return &it->second;
    // Create every missing ancestor; existing ones keep their spelling.
    std::string spelled;
    std::size_t start = 0;
    Key* result = nullptr;
    for (;;) {
        std::size_t end = key.find('\\', start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = key.size();
        const std::string prefixFolded = folded.substr(0, end);
        auto it = keys.find(prefixFolded);
        if (it == keys.end()) {
            std::string path = spelled.empty() ? std::string() : spelled + '\\';
            path += key.substr(start, end - start);
            it = keys.emplace(prefixFolded, Key{std::move(path), {}}).first;
        }
        spelled = it->second.path;
        result = &it->second;
        if (last)
            return result;
        start = end + 1;
    }
}

bool RegistryData::KeyExists(Hive hive, std::string_view key) const {
    return key.empty() || FindKey(hive, key) != nullptr;
}

std::optional<std::vector<RegistryData::Value>>
RegistryData::GetValues(Hive hive, std::string_view key) const {
    if (const Key* found = FindKey(hive, key))
        return found->values;
    if (key.empty())
        return std::vector<Value>{};
    return std::nullopt;
}

const RegistryData::Value* RegistryData::FindValue(Hive hive, std::string_view key,
                                                   std::string_view value) const {
    const Key* found = FindKey(hive, key);
    if (found == nullptr)
        return nullptr;
    for (const Value& v : found->values) {
        if (EqualsNoCase(v.name, value))
            return &v;
    }
    return nullptr;
}

std::optional<std::string> RegistryData::GetString(Hive hive, std::string_view key,
                                                   std::string_view value) const {
    const Value* found = FindValue(hive, key, value);
    if (found == nullptr || found->isDword)
        return std::nullopt;
    return found->text;
}

std::optional<std::uint32_t> RegistryData::GetDword(Hive hive, std::string_view key,
                                                    std::string_view value) const {
    const Value* found = FindValue(hive, key, value);
    if (found == nullptr || !found->isDword)
        return std::nullopt;
    return found->number;
}

std::optional<std::vector<std::string>> RegistryData::EnumSubKeys(Hive hive,
                                                                  std::string_view key) const {
    if (!KeyExists(hive, key))
        return std::nullopt;
    const KeyMap& keys = m_keys[HiveIndex(hive)];
    const std::string prefix = key.empty() ? std::string() : Fold(key) + '\\';
    std::vector<std::string> names;
    for (auto it = keys.lower_bound(prefix); it != keys.end(); ++it) {
        const std::string& folded = it->first;
        if (folded.compare(0, prefix.size(), prefix) != 0)
            break;
        if (folded.size() == prefix.size())
            continue; // the hive's own entry
        if (folded.find('\\', prefix.size()) == std::string::npos)
            names.emplace_back(LastName(it->second.path));
    }
    return names;
}

bool RegistryData::CreateKey(Hive hive, std::string_view key) {
    if (!IsValidKeyPath(key))
        return false;
    FindOrCreateKey(hive, key);
    return true;
}

RegistryData::Value* RegistryData::FindOrCreateValue(Hive hive, std::string_view key,
                                                     std::string_view value) {
    Key* found = FindOrCreateKey(hive, key);
    for (Value& v : found->values) {
        if (EqualsNoCase(v.name, value))
            return &v;
    }
    found->values.push_back(Value{std::string(value), false, {}, 0});
    return &found->values.back();
}

bool RegistryData::SetString(Hive hive, std::string_view key, std::string_view value,
                             std::string_view text) {
    if (!IsValidKeyPath(key) || HasLineBreakOrNul(value) || HasLineBreakOrNul(text))
        return false;
    Value* v = FindOrCreateValue(hive, key, value);
    v->isDword = false;
    v->text = std::string(text);
    v->number = 0;
    return true;
}

bool RegistryData::SetDword(Hive hive, std::string_view key, std::string_view value,
                            std::uint32_t number) {
    if (!IsValidKeyPath(key) || HasLineBreakOrNul(value))
        return false;
    Value* v = FindOrCreateValue(hive, key, value);
    v->isDword = true;
    v->text.clear();
    v->number = number;
    return true;
}

bool RegistryData::DeleteKey(Hive hive, std::string_view key) {
    if (key.empty() || FindKey(hive, key) == nullptr)
        return false;
    KeyMap& keys = m_keys[HiveIndex(hive)];
    const std::string folded = Fold(key);
    const std::string below = folded + '\\';
    auto it = keys.find(folded);
    while (it != keys.end() &&
           (it->first == folded || it->first.compare(0, below.size(), below) == 0))
        it = keys.erase(it);
    return true;
}

bool RegistryData::DeleteValue(Hive hive, std::string_view key, std::string_view value) {
    KeyMap& keys = m_keys[HiveIndex(hive)];
    const auto it = keys.find(Fold(key));
    if (it == keys.end())
        return false;
    auto& values = it->second.values;
    for (auto v = values.begin(); v != values.end(); ++v) {
        if (EqualsNoCase(v->name, value)) {
            values.erase(v);
            return true;
        }
    }
    return false;
}

bool RegistryData::Parse(std::string_view text, std::string* error) {
    Clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const auto fail = [&](std::size_t line, const std::string& why) {
        Clear();
        if (error != nullptr)
            *error = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    if (text.find('\0') != std::string_view::npos) {
        std::size_t line = 1;
        for (std::size_t i = 0; text[i] != '\0'; ++i)
            line += text[i] == '\n' ? 1 : 0;
        return fail(line, "NUL byte");
    }

    bool headerSeen = false;
    bool inKey = false;
    Hive hive = Hive::CurrentUser;
    std::string keyPath;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = TrimBlanks(line);
        if (line.empty())
            continue;
        if (!headerSeen) {
            if (line != kHeader)
                return fail(lineNumber, "missing REGEDIT4 header");
            headerSeen = true;
            continue;
        }
        if (line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 2)
                return fail(lineNumber, "malformed key line");
            std::string_view inner = line.substr(1, line.size() - 2);
            if (!inner.empty() && inner.front() == '-')
                return fail(lineNumber, "key deletion is not supported");
            const std::size_t sep = inner.find('\\');
            const std::string_view hiveName = inner.substr(0, sep);
            if (EqualsNoCase(hiveName, kHiveNames[0]))
                hive = Hive::CurrentUser;
            else if (EqualsNoCase(hiveName, kHiveNames[1]))
                hive = Hive::LocalMachine;
            else
                return fail(lineNumber, "unknown hive");
            const std::string_view path =
                sep == std::string_view::npos ? std::string_view() : inner.substr(sep + 1);
            if ((sep != std::string_view::npos && path.empty()) || !IsWellFormedPath(path))
                return fail(lineNumber, "malformed key path");
            keyPath = std::string(path);
            FindOrCreateKey(hive, keyPath);
            inKey = true;
            continue;
        }
        if (!inKey)
            return fail(lineNumber, "value outside a key");
        std::string name;
        std::size_t i = 0;
        std::string why;
        if (line.front() == '@') {
            i = 1;
        } else if (line.front() == '"') {
            if (!ReadQuoted(line, i, name, why))
                return fail(lineNumber, why);
        } else {
            return fail(lineNumber, "unrecognised line");
        }
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] != '=')
            return fail(lineNumber, "missing '='");
        ++i;
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const std::string_view data = line.substr(i);
        Value* value = FindOrCreateValue(hive, keyPath, name);
        if (!data.empty() && data.front() == '"') {
            std::size_t j = 0;
            std::string textValue;
            if (!ReadQuoted(data, j, textValue, why))
                return fail(lineNumber, why);
            if (j != data.size())
                return fail(lineNumber, "text after a quoted value");
            value->isDword = false;
            value->text = std::move(textValue);
            value->number = 0;
        } else if (StartsWithNoCase(data, "dword:")) {
            const std::string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8)
                return fail(lineNumber, "a dword needs one to eight hexadecimal digits");
            std::uint32_t number = 0;
            for (char c : digits) {
                const int d = HexDigit(c);
                if (d < 0)
                    return fail(lineNumber, "a dword needs one to eight hexadecimal digits");
                number = (number << 4) | static_cast<std::uint32_t>(d);
            }
            value->isDword = true;
            value->text.clear();
            value->number = number;
        } else {
            return fail(lineNumber, "unsupported value type");
        }
    }
    return true;
}

std::string RegistryData::Serialize() const {
    static const char kHex[] = "0123456789abcdef";
    std::string out(kHeader);
    out += "\n\n";
    // Alphabetical without regard to case: HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE.
    for (int h = 0; h < 2; ++h) {
        for (const auto& [folded, key] : m_keys[h]) {
            if (key.path.empty() && key.values.empty())
                continue;
            out += '[';
            out += kHiveNames[h];
            if (!key.path.empty()) {
                out += '\\';
                out += key.path;
            }
            out += "]\n";
            for (const Value& v : key.values) {
                if (v.name.empty())
                    out += '@';
                else
                    AppendQuoted(out, v.name);
                out += '=';
                if (v.isDword) {
                    out += "dword:";
                    for (int shift = 28; shift >= 0; shift -= 4)
                        out += kHex[(v.number >> shift) & 0xF];
                } else {
                    AppendQuoted(out, v.text);
                }
                out += '\n';
            }
            out += '\n';
        }
    }
    return out;
}

// ---- RegistryFile ---------------------------------------------------------------------------

RegistryFile::RegistryFile(std::string path) : m_path(std::move(path)) {}

std::string RegistryFile::DefaultPath() {
    if (auto explicitPath = fs::EnvironmentVariable("QUILLBOX_REGISTRY");
        explicitPath && !explicitPath->empty())
        return *explicitPath;
    std::string config;
#ifdef _WIN32
    // The per-user roaming settings folder, %APPDATA%.
    if (auto appData = fs::EnvironmentVariable("APPDATA"); appData && !appData->empty())
        config = *appData;
    else
        config = JoinPath(JoinPath(fs::HomeDirectory(), "AppData"), "Roaming");
#else
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    if (auto xdg = fs::EnvironmentVariable("XDG_CONFIG_HOME"); xdg && xdg->starts_with('/'))
        config = *xdg;
    else
        config = JoinPath(fs::HomeDirectory(), ".config");
#endif
    return JoinPath(JoinPath(config, "Velmora"), "Quillbox.reg");
}

namespace {

// Reads the file; `existed` tells a missing file (an empty registry) from a present one.
bool ReadRegistryText(const std::string& path, std::string& text, bool& existed,
                      std::string& error) {
    text.clear();
    existed = false;
    fs::File file;
    if (!file.Open(path, fs::OpenMode::Read)) {
        // Only a name that is really absent reads as an empty registry.
        if (fs::Exists(path)) {
            error = "Cannot read the registry file " + path;
            return false;
        }
        return true;
    }
    existed = true;
    char buffer[16384];
    for (;;) {
        const std::int64_t n = file.Read(buffer, sizeof buffer);
        if (n < 0) {
            error = "Cannot read the registry file " + path;
            return false;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (static_cast<std::int64_t>(text.size()) > kMaxFileSize) {
            error = "The registry file " + path + " is too large";
            return false;
        }
    }
    return true;
}

bool LoadRegistry(const std::string& path, RegistryData& data, bool& existed, std::string& error) {
    data.Clear();
    std::string text;
    if (!ReadRegistryText(path, text, existed, error))
        return false;
    std::string why;
    if (!data.Parse(text, &why)) {
        error = "The registry file " + path + " is damaged: " + why;
        return false;
    }
    return true;
}

} // namespace

bool RegistryFile::Load(RegistryData& data) {
    m_error.clear();
    bool existed = false;
    return LoadRegistry(m_path, data, existed, m_error);
}

bool RegistryFile::EnsureDirectory(const std::string& dir) {
    if (dir.empty() || fs::IsDirectory(dir))
        return true;
    const std::string parent = DirectoryOf(dir);
    if (parent != dir && !EnsureDirectory(parent))
        return false;
    // Another process may have made it meanwhile.
    return fs::CreateDirectory(dir) || fs::IsDirectory(dir);
}

bool RegistryFile::Write(const RegistryData& data, bool existed) {
    const std::string text = data.Serialize();
    const auto write = [&text](fs::File& file) { return file.Write(text); };
    if (existed)
        return fs::ReplaceFile(m_path, write);
    // The file was absent when read: create it without ever replacing a file that appeared.
    const std::string temp = fs::TemporaryNameFor(m_path);
    fs::File file;
    if (!file.Open(temp, fs::OpenMode::CreateNew))
        return false;
    bool ok = write(file) && file.Flush();
    ok = file.Close() && ok;
    if (ok && fs::MoveFile(temp, m_path))
        return true;
    fs::RemoveFile(temp);
    return false;
}

bool RegistryFile::Update(const std::function<bool(RegistryData&)>& change) {
    m_error.clear();
    if (!EnsureDirectory(DirectoryOf(m_path))) {
        m_error = "Cannot create the directory of the registry file " + m_path;
        return false;
    }
    fs::FileLock lock;
    if (!lock.Acquire(m_path + ".lock", m_lockTimeoutMs)) {
        m_error = "Cannot lock the registry file " + m_path;
        return false;
    }
    RegistryData data;
    bool existed = false;
    if (!LoadRegistry(m_path, data, existed, m_error))
        return false;
    if (!change(data))
        return false;
    if (!Write(data, existed)) {
        m_error = "Cannot write the registry file " + m_path;
        return false;
    }
    return true;
}

bool RegistryFile::KeyExists(Hive hive, const std::string& key) {
    RegistryData data;
    return Load(data) && data.KeyExists(hive, key);
}

std::optional<std::string> RegistryFile::GetString(Hive hive, const std::string& key,
                                                   const std::string& value) {
    RegistryData data;
    if (!Load(data))
        return std::nullopt;
    return data.GetString(hive, key, value);
}

std::optional<std::uint32_t> RegistryFile::GetDword(Hive hive, const std::string& key,
                                                    const std::string& value) {
    RegistryData data;
    if (!Load(data))
        return std::nullopt;
    return data.GetDword(hive, key, value);
}

std::optional<std::vector<std::string>> RegistryFile::EnumSubKeys(Hive hive,
                                                                  const std::string& key) {
    RegistryData data;
    if (!Load(data))
        return std::nullopt;
    return data.EnumSubKeys(hive, key);
}

bool RegistryFile::SetString(Hive hive, const std::string& key, const std::string& value,
                             const std::string& text) {
    bool valid = true;
    const bool ok = Update([&](RegistryData& data) {
        valid = data.SetString(hive, key, value, text);
        return valid;
    });
    if (!valid)
        m_error = "A registry name or text cannot be stored: " + key;
    return ok;
}

bool RegistryFile::SetDword(Hive hive, const std::string& key, const std::string& value,
                            std::uint32_t number) {
    bool valid = true;
    const bool ok = Update([&](RegistryData& data) {
        valid = data.SetDword(hive, key, value, number);
        return valid;
    });
    if (!valid)
        m_error = "A registry name cannot be stored: " + key;
    return ok;
}

bool RegistryFile::DeleteKey(Hive hive, const std::string& key) {
    return Update([&](RegistryData& data) { return data.DeleteKey(hive, key); });
}

} // namespace qb
