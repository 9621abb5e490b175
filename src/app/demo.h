// A sample to try the program on: a Netscape store and an Internet Mail store with a few folders
// and messages each, generated afresh in a directory of the caller's, and a registry file of
// their own that registers both and nothing else.
#pragma once

#include <string>

namespace qb {

inline constexpr char kDemoNetscapeName[] = "Sample Netscape Mail";
inline constexpr char kDemoInternetMailName[] = "Sample Internet Mail";

// Writes the two stores below `dir` (which must exist and hold neither "netscape" nor
// "internet-mail") and the registry file `dir`/quillbox.reg, with the first-run registration
// marked as done so that no store of this machine joins them. Returns the registry file's path,
// or "" with `error` set when something could not be written.
std::string WriteDemo(const std::string& dir, std::string& error);

} // namespace qb
