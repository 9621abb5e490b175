// File names of messages kept one per file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qb::interchange {

inline constexpr std::size_t kMaxEmlFileName = 100;

// "NNNNN-SUBJECT.eml": the 1-based number (five digits at least) and as much of the subject as
// fits in kMaxEmlFileName bytes, with only characters that every platform takes in a file name
// (printable ASCII without / \ : * ? " < > |, runs of anything else as one "_", no trailing
// blank or dot). Unique by its number.
std::string EmlFileName(std::int64_t number, std::string_view subject);
// True for a name ending in ".eml" (ASCII case ignored) that is not hidden.
bool IsEmlFileName(std::string_view name);

} // namespace qb::interchange
