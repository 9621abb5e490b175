// Arbitrary bytes as a registry file. What parses must write back to a text that parses to the
// same registry, and the mailbox and discovery readings over it must hold their limits.
#include "app/discovery.h"
#include "app/mailbox_registry.h"
#include "platform/registry_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Walk(const qb::RegistryData& data, qb::Hive hive, const std::string& key, int depth) {
    if (depth > 64)
        return;
    const auto names = data.EnumSubKeys(hive, key);
    if (!names)
        std::abort();
    for (const std::string& name : *names) {
        const std::string child = key.empty() ? name : key + '\\' + name;
        if (!data.KeyExists(hive, child) || !data.GetValues(hive, child))
            std::abort();
        Walk(data, hive, child, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    qb::RegistryData data;
    std::string error;
    if (!data.Parse(text, &error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    const std::string written = data.Serialize();
    qb::RegistryData again;
    if (!again.Parse(written, &error) || again.Serialize() != written)
        std::abort();
    Walk(data, qb::Hive::CurrentUser, "", 0);
    Walk(data, qb::Hive::LocalMachine, "", 0);

    qb::MailboxList list;
    qb::LoadMailboxEntries(data, list);
    for (const auto& entry : list) {
        if (entry->m_strStoreRoot.empty() || entry->m_strName.size() >= qb::kKeyNameBuffer ||
            entry->m_strStoreRoot.size() >= qb::kRegStringBuffer)
            std::abort();
    }
    qb::MailboxList found;
    qb::DiscoverMailboxes(data, found);
    qb::ReplaceMailboxEntries(again, {{"Fuzz", "/fuzz", qb::kTypeNavigator}});
    qb::RegistryData third;
    if (!third.Parse(again.Serialize()) || !qb::IsMailboxRegistered(third, "fuzz"))
        std::abort();
    return 0;
}
