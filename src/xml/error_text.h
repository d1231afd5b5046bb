#pragma once
// Messages for the parser's error codes.

#include <string>

namespace rk::xml {

// The message for an Expat error code: the fixed table for 1 to 40, Expat's own text for
// any later code, the empty text for 0 or an unknown code.
std::u16string ParserErrorText(int code);

}  // namespace rk::xml
