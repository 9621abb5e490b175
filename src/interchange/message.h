// A message as the interchange formats carry it: its bytes and its status, knowing no store.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::interchange {

// Status bits, as the Netscape store keeps them in "X-Mozilla-Status".
inline constexpr std::uint32_t kStatusRead = 0x0001;
inline constexpr std::uint32_t kStatusReplied = 0x0002;
inline constexpr std::uint32_t kStatusMarked = 0x0004;
inline constexpr std::uint32_t kStatusDeleted = 0x0008;

struct Message {
    // Header lines, an empty line, the body: every byte with its line ends as they are.
    std::string text;
    std::uint32_t status = 0;
};

// A message of a store: its header text (each line with CR LF, perhaps beginning with the store's
// own separator line) and its body lines (without line ends), each line then ending in CR LF.
Message FromStoreRecord(std::string_view header, const std::vector<std::string>& bodyLines,
                        std::uint32_t status);

// The message without a leading separator or envelope line ("From ..."): such a line belongs to
// the file the message was kept in, never to the message.
std::string_view WithoutEnvelope(std::string_view text);

// The header part of a message: everything before its first empty line.
std::string_view HeaderOf(std::string_view text);

// The value of the first header field `name` (no colon; ASCII case ignored), folded lines joined
// and surrounding blanks trimmed. Nothing when the header has no such field.
std::optional<std::string> HeaderField(std::string_view text, std::string_view name);
// The values of several header fields, each as HeaderField gives it, found in one pass.
std::vector<std::optional<std::string>> HeaderFields(std::string_view text,
                                                     std::initializer_list<std::string_view> names);

// Status bits from the header: "X-Mozilla-Status" when present, else the "Status" and "X-Status"
// letters other mail programs write (R read, A answered, F flagged, D deleted).
std::uint32_t StatusFromHeader(std::string_view text);

// The sender of a mailbox envelope line: the address of Return-Path, else of From, else
// "MAILER-DAEMON". Never holds a blank or control character.
std::string EnvelopeSender(std::string_view text);
// The same from the values of the message's Return-Path and From fields.
std::string EnvelopeSender(const std::optional<std::string>& returnPath,
                           const std::optional<std::string>& from);

} // namespace qb::interchange
