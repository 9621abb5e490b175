// A crude plain-text rendering of HTML, for showing and searching a message whose only text is
// HTML.
#pragma once

#include <string>
#include <string_view>

namespace qb {

// Drops tags, comments and the contents of <script>, <style> and <head>; starts a new line at
// block elements (<br>, <p>, <div>, <tr>, <li>, headings, ...); collapses runs of white space as
// a browser does; decodes numeric character references and the common named ones. Input and
// output are UTF-8. Linear in the input; nothing in the markup can make it fail.
std::string HtmlToText(std::string_view html);

} // namespace qb
