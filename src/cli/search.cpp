// The search command: finds messages in one store and folder, or in every registered store.
#include "cli/cli.h"
#include "cli/json_out.h"

#include "app/readable_message.h"
#include "app/search.h"

#include <string>
#include <vector>

namespace qb::cli {

namespace {

constexpr char kTextBadDate[] = "Cannot read the date: ";

struct Args {
    std::string store;
    std::string folder;
    SearchQuery query;
    std::string since;
    std::string before;
    bool json = false;
};

// A needle as the user typed it: UTF-8, or a legacy terminal's 8-bit text.
void ToUtf8(std::string& text) {
    text = StoreTextToUtf8(text);
}

nlohmann::json HitJson(const SearchHit& hit) {
    nlohmann::json item;
    item["mailbox"] = StoreTextToUtf8(hit.mailbox);
    item["mailbox_raw"] = RawJsonText(hit.mailbox);
    item["folder"] = StoreTextToUtf8(hit.folder);
    item["folder_raw"] = RawJsonText(hit.folder);
    item["row"] = hit.row;
    item["deleted"] = hit.deleted;
    item["date"] = hit.date;
    item["date_raw"] = RawJsonText(hit.rawDate);
    item["from"] = hit.from;
    item["from_raw"] = RawJsonText(hit.rawFrom);
    item["subject"] = hit.subject;
    item["subject_raw"] = RawJsonText(hit.rawSubject);
    return item;
}

int Search(Context& ctx, Args& a) {
    for (auto [text, bound] :
         {std::pair{&a.since, &a.query.since}, std::pair{&a.before, &a.query.before}}) {
        if (text->empty())
            continue;
        *bound = ParseSearchDate(*text);
        if (!*bound)
            return Fail(kTextBadDate + *text);
    }
    for (std::string* needle : {&a.query.from, &a.query.to, &a.query.subject, &a.query.text})
        ToUtf8(*needle);

    std::vector<SearchScope> scopes;
    if (!a.store.empty()) {
        // The store and folder are checked first, so that a mistake is reported as such.
        Opened opened;
        if (!OpenFolderArg(ctx, a.store, a.folder, opened))
            return kExitFailed;
        scopes.push_back(
            {{opened.store->m_strName, opened.store->m_strStoreRoot, opened.store->m_strType},
             a.folder});
    } else {
        MailboxList list;
        LoadMailboxEntries(ctx.Registry(), list);
        if (!ctx.Registry().Error().empty())
            return Fail(ctx.Registry().Error());
        for (const auto& entry : list)
            scopes.push_back({{entry->m_strName, entry->m_strStoreRoot, entry->m_strType}, ""});
    }

    TerminalPort port;
    const std::unique_ptr<ProgressSink> progress = port.BeginProgress("Search");
    bool first = true;
    if (a.json)
        Out("{\"hits\":[");
    const SearchSummary summary = RunSearch(scopes, a.query, *progress, [&](const SearchHit& hit) {
        if (a.json) {
            Out((first ? "\n" : ",\n") + JsonText(HitJson(hit)));
            first = false;
            return;
        }
        std::string line = hit.mailbox + "\t" + hit.folder + "\t" + std::to_string(hit.row) + "\t" +
                           hit.date + "\t" + hit.from + "\t" + hit.subject;
        if (a.query.deleted)
            line += hit.deleted ? "\tD" : "\t-"; // as list --deleted marks them
        Out(line + "\n");
    });
    if (a.json) {
        nlohmann::json tail;
        tail["messages"] = summary.messages;
        tail["unparseable_dates"] = summary.unparseableDates;
        tail["unreadable"] = summary.unreadable;
        tail["stopped"] = summary.stopped;
        std::string text = JsonText(tail);
        text.erase(0, 1);
        Out("\n]," + text + "\n");
    }
    port.EndProgress();
    for (const std::string& warning : SearchWarnings(summary))
        ErrLine(warning);
    return kExitOk;
}

} // namespace

void AddSearchCommands(CLI::App& app, Context& ctx) {
    auto a = std::make_shared<Args>();
    CLI::App* command = AddCommand(
        app, ctx, "search",
        "Finds messages by decoded From, To, Subject, text and date, in one store and folder "
        "(with its sub-folders) or in every registered store; prints mailbox, folder, ROW, Date, "
        "From, Subject",
        "quillbox-cli search Archive Inbox --from m\xC3\xBCller --since 2001-01-01",
        [&ctx, a] { return Search(ctx, *a); });
    command->add_option("STORE", a->store, "The store (every registered store when left out)");
    command->add_option("FOLDER", a->folder,
                        "The folder, searched with its sub-folders (the whole store when left "
                        "out)");
    command->add_option("--from", a->query.from, "Text in the decoded From field")
        ->type_name("TEXT");
    command->add_option("--to", a->query.to, "Text in the decoded To field")->type_name("TEXT");
    command->add_option("--subject", a->query.subject, "Text in the decoded Subject field")
        ->type_name("TEXT");
    command
        ->add_option("--text", a->query.text, "Text in the decoded text parts (not in attachments)")
        ->type_name("TEXT");
    command
        ->add_option("--since", a->since,
                     "Dated on or after DATE: YYYY-MM-DD (from 00:00 UTC) or a mail date")
        ->type_name("DATE");
    command->add_option("--before", a->before, "Dated before DATE (same forms)")->type_name("DATE");
    command->add_flag("--deleted", a->query.deleted,
                      "Search the messages marked deleted too (ROW as in list --deleted; each line "
                      "ends in D for such a message, - for a live one)");
    command->add_flag("--json", a->json,
                      "One JSON document: the hits with their fields decoded and as stored "
                      "(_raw), and how many messages were searched");
}

} // namespace qb::cli
