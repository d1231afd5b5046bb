// Row and line contents: the checkable list's rows and the editor's lines.
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "services/toolkit/qt_text.h"
#include "services/toolkit/state.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk {

using namespace detail;

namespace {

CheckListView* ListOf(int control) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckList) return nullptr;
  return entry->list.data();
}

// Adds a line to the editor: before line `position`, or as the new last line for -1 and
// positions past the end. The view is not scrolled, so a text built line by line stays at its
// first line.
void AddEditorLine(ControlEntry& entry, int position, std::u16string_view text) {
  auto* editor = static_cast<QPlainTextEdit*>(entry.widget.data());
  QTextDocument* document = editor->document();
  const QString line = ToQString(text);
  if (position < 0 || position >= entry.editorLines) {
    // A caret at the end would move along with the new line: it stays where it was, so the
    // keyboard starts reading a text built line by line at its first line.
    QTextCursor caret = editor->textCursor();
    const int before = caret.position();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    // An empty document already has its first (empty) line; later lines need a new block.
    if (entry.editorLines > 0) cursor.insertBlock();
    cursor.insertText(line);
    caret.setPosition(before);
    editor->setTextCursor(caret);
  } else {
    QTextCursor cursor(document->findBlockByNumber(position));
    cursor.insertText(line);
    cursor.insertBlock();
  }
  ++entry.editorLines;
}

}  // namespace

void AddItem(int control, int position, std::u16string_view text) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  if (entry->kind == ControlKind::kCheckList) {
    entry->list->AddRow(position, text);
  } else if (entry->kind == ControlKind::kEditor) {
    AddEditorLine(*entry, position, text);
  }
}

void AddItems(int control, std::vector<std::u16string> texts) {
  if (CheckListView* list = ListOf(control)) list->AddRows(std::move(texts));
}

void CopyItems(int source, std::span<const int> rows, int control) {
  const CheckListView* from = ListOf(source);
  CheckListView* to = ListOf(control);
  if (from != nullptr && to != nullptr) to->Model().AppendRowsOf(from->Model(), rows);
}

int CountItems(int control) {
  const CheckListView* list = ListOf(control);
  return list != nullptr ? list->Model().Count() : 0;
}

int GetItemState(int control, int row) {
  const CheckListView* list = ListOf(control);
  return list != nullptr ? list->Model().State(row) : 0;
}

void SetItemState(int control, int row, int state) {
  if (CheckListView* list = ListOf(control)) list->SetRowState(row, state);
}

std::u16string GetItemText(int control, int row, int column) {
  const CheckListView* list = ListOf(control);
  return list != nullptr ? list->Model().Text(row, column) : std::u16string();
}

void RemoveItem(int control, int row) {
  if (CheckListView* list = ListOf(control)) list->RemoveRow(row);
}

void RemoveItems(int control, std::span<const int> rows) {
  if (CheckListView* list = ListOf(control)) list->RemoveRows(rows);
}

void ClearItems(int control) {
  if (CheckListView* list = ListOf(control)) list->Clear();
}

}  // namespace rk::tk
