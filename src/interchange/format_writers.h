// The writer of each format (made through MakeWriter).
#pragma once

#include "interchange/writer.h"

namespace qb::interchange {

std::unique_ptr<CWriter> MakeMboxWriter(const std::string& dest, std::int64_t exportTime);
std::unique_ptr<CWriter> MakeMaildirWriter(const std::string& dest);
std::unique_ptr<CWriter> MakeEmlWriter(const std::string& dest);

} // namespace qb::interchange
