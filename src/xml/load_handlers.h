#pragma once
// The Expat callbacks that build a document tree, and the load cursor they share.

#include <expat.h>

#include <cstddef>

#include "xml/blank_rule.h"
#include "xml/document.h"
#include "xml/grow_array.h"

namespace rk::xml {

// A node whose end has not been parsed yet, with where its text starts in the text stack and
// its last child so far (the next child is linked after it).
struct OpenNode {
  XmlNode* node;
  std::size_t textStart;
  XmlNode* lastChild;
};

// The load cursor. The texts of all open nodes are stacked in one buffer: a node's text
// grows at the end while it is the current node, and moves into the arena when the node
// ends, so a load makes no allocation per text append.
struct LoadContext {
  explicit LoadContext(Document& loaded) : document(&loaded), openNodes(loaded.memory), texts(loaded.memory) {}

  Document* document;
  XML_Parser parser = nullptr;
  GrowArray<OpenNode> openNodes;  // the root at the bottom, the current node on top
  GrowArray<char16_t> texts;   // the stacked texts of the open nodes
  std::size_t segmentStart = 0;  // where the current node's text stood after its last child
  bool outOfMemory = false;    // a callback ran out of memory and stopped the parser
  // The texts are stored as the load's normalisation (FormatDocument with FormatCutBreaks,
  // FormatReduceBreaks and FormatReduceBlanks) leaves them, so that pass need not run.
  // A DTD ends it: its text and children depend on line breaks kept across nodes.
  bool normalise = false;
  // Normalising the text of the current node: an element, comment or the root.
  bool normaliseHere = false;
  // Normalising: what the last kept character of the current text segment was (a tag that
  // begins the segment counts as content).
  KeptSoFar last;
};

// Puts the root node on the cursor and registers the callbacks; false when memory ran out.
[[nodiscard]] bool StartLoad(LoadContext& context, XML_Parser parser);

// Stores the texts of the nodes that are still open (all of them after a parse error),
// leaving them linked in the tree.
void FinishLoad(LoadContext& context);

}  // namespace rk::xml
