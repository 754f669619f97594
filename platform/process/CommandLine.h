#pragma once

#include <string>
#include <string_view>

namespace platform {

// The shell's command-line helpers for a "program arguments" text.

// PathGetArgsW: the text after the first space that is not inside double
// quotes; empty when there is none.
std::string_view PathGetArgs(std::string_view command);
// PathRemoveArgsW: the command without its arguments and without the space
// before them; quotes around the program stay.
std::string PathRemoveArgs(std::string_view command);
// PathUnquoteSpacesW: removes one pair of double quotes enclosing the whole
// text; anything else is returned unchanged.
std::string PathUnquoteSpaces(std::string_view path);

}  // namespace platform
