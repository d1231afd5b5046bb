#include "xml/document.h"

#include "xml/blank_rule.h"
#include "xml/load_save.h"
#include "xml/unit_blocks.h"

#include <atomic>
#include <cstring>
#include <map>
#include <new>


namespace rk::xml {
namespace {

using DocumentTable = std::map<int, std::unique_ptr<Document>>;

DocumentTable& Table() {
  static DocumentTable table;
  return table;
}

// Bumped after every change to the table, so that a lookup remembered before it is not used.
std::atomic<std::uint64_t> tableVersion{1};

// The latest lookup of this thread. Building a tree asks for the same document on every node
// call; each thread keeps its own, so the formatted copy's thread shares nothing with the
// main thread's calls.
struct LastLookup {
  std::uint64_t version = 0;
  int number = 0;
  Document* document = nullptr;
};
thread_local LastLookup lastLookup;

void TableChanged() { tableVersion.fetch_add(1, std::memory_order_acq_rel); }

}  // namespace

Document* FindDocument(int number) {
  LastLookup& last = lastLookup;
  const std::uint64_t version = tableVersion.load(std::memory_order_acquire);
  if (last.version == version && last.number == number) return last.document;
  DocumentTable& table = Table();
  auto found = table.find(number);
  Document* document = found == table.end() ? nullptr : found->second.get();
  last = LastLookup{version, number, document};
  return document;
}

std::unique_ptr<Document> MakeDocument(int number, int encoding, const BlockMemory& memory) {
  std::unique_ptr<Document> document(new (std::nothrow) Document(memory));
  if (!document) return nullptr;
  document->number = number;
  document->encoding = encoding;
  document->root = document->pool.Take();
  if (document->root == nullptr) return nullptr;
  document->root->kind = static_cast<std::uint8_t>(kNodeRoot);
  document->root->owner = number;
  return document;
}

bool InstallDocument(std::unique_ptr<Document> document) {
  try {
    Table()[document->number] = std::move(document);
  } catch (const std::bad_alloc&) {
    return false;
  }
  TableChanged();
  return true;
}

namespace {

// True when a[0, count) equals b[0, count); compares four units at a time, since every element
// name of a book is checked against its interned copy.
bool SameUnits(const char16_t* a, const char16_t* b, std::size_t count) {
  if (count < 4) {
    for (std::size_t i = 0; i < count; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  return !AnyBlock<4>(count, [a, b](std::size_t at) {
    std::uint64_t left;
    std::uint64_t right;
    std::memcpy(&left, a + at, sizeof left);
    std::memcpy(&right, b + at, sizeof right);
    return left != right;
  });
}

}  // namespace

const InternedName* NameCache::Intern(StringArena& arena, std::u16string_view name) {
  // The slot comes from the length and three units rather than the whole name: the handful
  // of names a phonebook uses differ there, and a name that shares a slot merely replaces
  // the one that was there.
  const std::size_t length = name.size();
  if (length > kMaxStoredLength) return nullptr;
  // Odd multipliers of well-known integer hashes (2^32 over the golden ratio, MurmurHash3's
  // and xxHash's) spread the few bits in which names differ over the whole word.
  std::uint32_t hash = static_cast<std::uint32_t>(length) * 0x9E3779B1u;
  if (length > 0) hash ^= (name[0] * 0x85EBCA6Bu) ^ (name[length / 2] * 0xC2B2AE35u) ^ (name[length - 1] * 0x27D4EB2Fu);
  Entry& entry = entries_[(hash ^ (hash >> 8) ^ (hash >> 16)) & 255u];
  if (entry.name != nullptr && entry.name->length == length && SameUnits(UnitsOf(entry.name), name.data(), length)) {
    return entry.name;
  }
  return Store(arena, name, entry);
}

const InternedName* NameCache::Store(StringArena& arena, std::u16string_view name, Entry& entry) {
  const std::size_t length = name.size();
  ArenaPiece piece = arena.Allocate(sizeof(InternedName) + length * sizeof(char16_t), alignof(InternedName));
  if (piece.data == nullptr) return nullptr;
  auto* copy = static_cast<InternedName*>(piece.data);
  copy->length = static_cast<std::uint32_t>(length);
  if (length > 0) std::memcpy(copy + 1, name.data(), length * sizeof(char16_t));
  entry.name = copy;
  return copy;
}

StoredText CopyToArena(StringArena& arena, std::u16string_view text) {
  StoredText stored;
  if (text.empty()) return stored;
  if (text.size() > static_cast<std::size_t>(-1) / sizeof(char16_t)) {
    stored.ok = false;
    return stored;
  }
  ArenaPiece piece = arena.Allocate(text.size() * sizeof(char16_t), alignof(char16_t));
  if (piece.data == nullptr) {
    stored.ok = false;
    return stored;
  }
  stored.data = static_cast<char16_t*>(piece.data);
  stored.own = piece.own;
  std::memcpy(stored.data, text.data(), text.size() * sizeof(char16_t));
  return stored;
}

namespace {

// The blank and line-break reductions of a blank pass, which SaveFormatted always applies.
constexpr int kReductions = FormatReduceBreaks | FormatReduceBlanks;

// True when a pass that reduces (but does not cut) blanks and line breaks would keep `text`
// whole as the text of `node`: its start tag counts as content, the root's text has none
// before it. A line break is never known to be kept: that depends on the texts before it.
bool KeptByReduction(const XmlNode* node, std::u16string_view text) {
  KeptSoFar last;
  if (node->kind != kNodeRoot) KeepsContent(last);
  for (char16_t unit : text) {
    if (IsAboveBlanks(unit)) {
      KeepsContent(last);
      continue;
    }
    if (IsBreak(unit)) return false;
    if (!IsBlank(unit)) {
      KeepsContent(last);
    } else if (!KeepsBlank(kReductions, last)) {
      return false;
    }
  }
  return true;
}

// `text` as the blank pass leaves the text of an element just made (its start tag counts as
// content): of each run of blanks only the first stays, in `buffer` when any went. A text
// with a line break comes back as it is and `whole` false: what the pass keeps of it depends
// on the texts before it. Otherwise `whole` is true: the pass keeps the result whole.
std::u16string_view ReducedText(std::u16string_view text, std::u16string& buffer, bool& whole) {
  whole = false;
  KeptSoFar last;
  KeepsContent(last);
  std::size_t firstDropped = 0;
  for (; firstDropped < text.size(); ++firstDropped) {
    const char16_t unit = text[firstDropped];
    if (IsAboveBlanks(unit)) {
      KeepsContent(last);
    } else if (IsBreak(unit)) {
      return text;
    } else if (!IsBlank(unit)) {
      KeepsContent(last);
    } else if (!KeepsBlank(FormatReduceBlanks, last)) {
      break;
    }
  }
  if (firstDropped < text.size() && HasLineBreak(text.substr(firstDropped))) return text;
  whole = true;
  if (firstDropped == text.size()) return text;
  buffer.assign(text.substr(0, firstDropped));
  for (std::size_t i = firstDropped; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (!IsBlank(unit)) {
      KeepsContent(last);
      buffer.push_back(unit);
    } else if (KeepsBlank(FormatReduceBlanks, last)) {
      buffer.push_back(unit);
    }
  }
  return buffer;
}

// StoreNodeText once the document knows whether a reducing pass keeps `text` whole.
bool StoreText(Document& document, XmlNode* node, std::u16string_view text, bool keptByReduction) {
  if (text.size() > kMaxStoredLength) return false;
  document.textsSettled = false;
  document.textsReduced = document.textsReduced && keptByReduction;
  StoredText stored = CopyToArena(document.arena, text);
  if (!stored.ok) return false;
  if ((node->ownership & kOwnText) != 0) document.arena.Release(node->text);
  node->text = stored.data;
  node->textLength = static_cast<std::uint32_t>(text.size());
  node->ownership = static_cast<std::uint8_t>(stored.own ? node->ownership | kOwnText
                                                         : node->ownership & ~kOwnText);
  return true;
}

}  // namespace

bool StoreNodeText(Document& document, XmlNode* node, std::u16string_view text) {
  // Refused before the text is read.
  if (text.size() > kMaxStoredLength) return false;
  return StoreText(document, node, text, document.textsReduced && KeptByReduction(node, text));
}

bool StoreReducedText(Document& document, XmlNode* node, std::u16string_view text, std::u16string& buffer) {
  if (text.size() > kMaxStoredLength) return false;
  bool whole = false;
  const std::u16string_view reduced = ReducedText(text, buffer, whole);
  return StoreText(document, node, reduced, whole);
}

int CreateDocument(int number, int encoding) { return CreateDocumentIn(number, encoding, kSystemMemory); }

int CreateDocumentIn(int number, int encoding, const BlockMemory& memory) {
  if (number < 0) return 0;
  std::unique_ptr<Document> document = MakeDocument(number, encoding, memory);
  if (!document) return 0;
  document->textsReduced = true;
  return InstallDocument(std::move(document)) ? 1 : 0;
}

void FreeDocument(int number) {
  DocumentTable& table = Table();
  if (number == -1) {
    table.clear();
  } else {
    table.erase(number);
  }
  TableChanged();
}

XmlNode* RootNode(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? nullptr : document->root;
}

XmlNode* MainNode(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? nullptr : document->main;
}

int DocumentEncoding(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? 0 : document->encoding;
}

int DocumentStandalone(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? 0 : document->standalone;
}

int LineBreakStyle(int number) {
  Document* document = FindDocument(number);
  return document == nullptr ? 0 : document->lineBreakStyle;
}
}  // namespace rk::xml
