#include "xml/error_text.h"

#include <expat.h>

#include "services/text.h"

namespace rk::xml {
namespace {

// The texts of Expat's error strings for codes 1 to 40, as the user has always seen them.
constexpr const char16_t* kMessages[40] = {
    u"out of memory",
    u"syntax error",
    u"no element found",
    u"not well-formed (invalid token)",
    u"unclosed token",
    u"partial character",
    u"mismatched tag",
    u"duplicate attribute",
    u"junk after document element",
    u"illegal parameter entity reference",
    u"undefined entity",
    u"recursive entity reference",
    u"asynchronous entity",
    u"reference to invalid character number",
    u"reference to binary entity",
    u"reference to external entity in attribute",
    u"XML or text declaration not at start of entity",
    u"unknown encoding",
    u"encoding specified in XML declaration is incorrect",
    u"unclosed CDATA section",
    u"error in processing external entity reference",
    u"document is not standalone",
    u"unexpected parser state - please send a bug report",
    u"entity declared in parameter entity",
    u"requested feature requires XML_DTD support in Expat",
    u"cannot change setting once parsing has begun",
    u"unbound prefix",
    u"must not undeclare prefix",
    u"incomplete markup in parameter entity",
    u"XML declaration not well-formed",
    u"text declaration not well-formed",
    u"illegal character(s) in public id",
    u"parser suspended",
    u"parser not suspended",
    u"parsing aborted",
    u"parsing finished",
    u"cannot suspend in external parameter entity",
    u"reserved prefix (xml) must not be undeclared or bound to another namespace name",
    u"reserved prefix (xmlns) must not be declared or undeclared",
    u"prefix must not be bound to one of the reserved namespace names",
};

}  // namespace

std::u16string ParserErrorText(int code) {
  if (code >= 1 && code <= 40) return kMessages[code - 1];
  if (code <= 0) return {};
  // Codes of newer Expat versions (such as the entity amplification limit) have no entry in
  // the table; Expat's own text still tells the user what went wrong.
  const XML_LChar* text = XML_ErrorString(static_cast<XML_Error>(code));
  return text == nullptr ? std::u16string() : FromUtf8(text);
}

}  // namespace rk::xml
