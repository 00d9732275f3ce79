// Data values inside the HTML reports: user names, program titles and paths
// are written with the characters that HTML reads as markup replaced by
// entities, so a name holding "<" or "&" shows as it is and never becomes
// markup. The reports' own markup is never passed through here.
#pragma once

#include <string>
#include <string_view>

namespace brenvik {

// <, >, & and " as &lt; &gt; &amp; &quot;.
std::string HtmlEscape(std::string_view text);

}  // namespace brenvik
