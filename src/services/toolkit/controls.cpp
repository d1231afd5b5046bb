// Creation of numbered controls and their common settings (font, colour, tooltip, text, state).
#include <QAccessible>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <limits>

#include "services/toolkit/accessibility.h"
#include "services/toolkit/keyboard_widgets.h"
#include "services/toolkit/qt_text.h"
#include "services/toolkit/screen_fit.h"
#include "services/toolkit/state.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk {

using namespace detail;

namespace {

// Where new controls go: the open container, else the most recently opened window.
QWidget* CurrentParent(const ToolkitState& state) {
  if (state.currentContainer) return state.currentContainer.data();
  const auto window = state.windows.find(state.currentWindow);
  return window != state.windows.end() ? window->second.widget.get() : nullptr;
}

// Releases whatever holds the number, then builds the control with `make(parent, window)` under
// the current parent and records it. The entry, or nullptr when there is no window for it.
template <typename Make>
ControlEntry* AddControl(int control, ControlKind kind, int x, int y, int width, int height,
                         Make make) {
  ToolkitState* state = State();
  if (state == nullptr) return nullptr;
  ReleaseControl(control);
  QWidget* parent = CurrentParent(*state);
  if (parent == nullptr) return nullptr;
  QWidget* widget = make(parent, state->currentWindow);
  widget->setObjectName(QStringLiteral("control%1").arg(control));
  widget->setGeometry(ScaledRect(x, y, std::max(width, 0), std::max(height, 0)));
  widget->show();
  ControlEntry& entry = state->controls[control];
  entry = ControlEntry{};
  entry.kind = kind;
  entry.window = state->currentWindow;
  entry.widget = widget;
  return &entry;
}

// The palette roles that carry a control's text and background colour.
QPalette::ColorRole TextRole(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton:
      return QPalette::ButtonText;
    case ControlKind::kTextField:
    case ControlKind::kEditor:
    case ControlKind::kCheckList:
      return QPalette::Text;
    default:
      return QPalette::WindowText;
  }
}

QPalette::ColorRole BackgroundRole(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton:
      return QPalette::Button;
    case ControlKind::kTextField:
    case ControlKind::kEditor:
    case ControlKind::kCheckList:
      return QPalette::Base;
    default:
      return QPalette::Window;
  }
}

}  // namespace

int CreateContainer(int control, int x, int y, int width, int height, std::uint32_t flags) {
  QWidget* client = nullptr;
  ControlEntry* entry = AddControl(control, ControlKind::kContainer, x, y, width, height,
                                   [&](QWidget* parent, int) {
                                     auto* frame = new PaneFrame(parent);
                                     if ((flags & kContainerFlatBorder) != 0) {
                                       frame->setFrameStyle(QFrame::Box | QFrame::Plain);
                                     } else if ((flags & kLabelSunken) != 0) {
                                       frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                                     }
                                     frame->setLineWidth(1);
                                     client = new QWidget(frame);
                                     return frame;
                                   });
  if (entry == nullptr) return 0;
  // Controls of the container are placed relative to the area inside its border.
  auto* frame = static_cast<QFrame*>(entry->widget.data());
  client->setGeometry(frame->contentsRect());
  client->show();
  entry->client = client;
  State()->currentContainer = client;
  return 1;
}

void CloseControlList() {
  if (ToolkitState* state = State()) state->currentContainer = nullptr;
}

int CreateLabel(int control, int x, int y, int width, int height, std::u16string_view text,
                std::uint32_t flags) {
  return AddControl(control, ControlKind::kLabel, x, y, width, height, [&](QWidget* parent, int) {
           auto* label = new QLabel(parent);
           // Plain text: no markup and no mnemonic, whatever characters the caption holds.
           label->setTextFormat(Qt::PlainText);
           label->setText(ToQString(text));
           const Qt::Alignment horizontal =
               (flags & kLabelCentred) != 0 ? Qt::AlignHCenter : Qt::AlignLeft;
           label->setAlignment(horizontal | Qt::AlignTop);
           if ((flags & kLabelSunken) != 0) {
             label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
             label->setLineWidth(1);
           }
           return label;
         }) != nullptr
             ? 1
             : 0;
}

int CreateButton(int control, int x, int y, int width, int height, std::u16string_view text) {
  return AddControl(control, ControlKind::kButton, x, y, width, height,
                    [&](QWidget* parent, int window) {
                      auto* button = new PushButton(ToQString(text), parent);
                      // Return in a text field must not press some button of the window.
                      button->setAutoDefault(false);
                      QObject::connect(button, &QPushButton::clicked, button, [window, control] {
                        QueueEvent(kEventControl, window, control);
                      });
                      return button;
                    }) != nullptr
             ? 1
             : 0;
}

int CreateTextField(int control, int x, int y, int width, int height, std::u16string_view text,
                    std::uint32_t flags) {
  return AddControl(control, ControlKind::kTextField, x, y, width, height,
                    [&](QWidget* parent, int) {
                      auto* field = new TextField(parent);
                      // A book name or path is kept whole however long it is; the field's
                      // default limit would cut it and a save would write the cut text.
                      field->setMaxLength(std::numeric_limits<int>::max());
                      field->setText(ToQString(text));
                      field->setFrame((flags & kTextFieldNoEdge) == 0);
                      // Show the start of a long text, as a freshly created field does.
                      field->setCursorPosition(0);
                      return field;
                    }) != nullptr
             ? 1
             : 0;
}

int CreateCheckList(int control, int x, int y, int width, int height,
                    std::u16string_view firstTitle, int firstWidth, std::uint32_t flags) {
  CheckListView* view = nullptr;
  ControlEntry* entry = AddControl(control, ControlKind::kCheckList, x, y, width, height,
                                   [&](QWidget* parent, int window) {
                                     view = new CheckListView(parent, flags, [window, control] {
                                       QueueEvent(kEventControl, window, control);
                                     });
                                     return view;
                                   });
  if (entry == nullptr) return 0;
  view->AddColumn(0, firstTitle, Scaled(firstWidth));
  entry->list = view;
  return 1;
}

int AddListColumn(int control, int position, std::u16string_view title, int width) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckList) return 0;
  entry->list->AddColumn(position, title, Scaled(width));
  return 1;
}

int CreateEditor(int control, int x, int y, int width, int height, std::uint32_t flags) {
  return AddControl(control, ControlKind::kEditor, x, y, width, height, [&](QWidget* parent, int) {
           auto* editor = new QPlainTextEdit(parent);
           editor->setLineWrapMode(QPlainTextEdit::NoWrap);
           editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
           editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
           editor->setReadOnly((flags & kEditorReadOnly) != 0);
           // A read-only text keeps a caret for the keyboard, as a native read-only edit
           // does: the arrow keys move it line by line and a screen reader reads along.
           if (editor->isReadOnly()) {
             editor->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
           }
           // This Qt's plain text tells a reader nothing of its moving caret, so a reader
           // would not read along; the editor tells it.
           QObject::connect(editor, &QPlainTextEdit::cursorPositionChanged, editor, [editor] {
             if (!ReaderListening()) return;
             QAccessibleTextCursorEvent moved(editor, editor->textCursor().position());
             TellReaders(moved);
           });
           // Tab leaves a read-only text for the next control instead of being swallowed.
           editor->setTabChangesFocus(editor->isReadOnly());
           return editor;
         }) != nullptr
             ? 1
             : 0;
}

int CreateCheckBox(int control, int x, int y, int width, int height, std::u16string_view text) {
  return AddControl(control, ControlKind::kCheckBox, x, y, width, height,
                    [&](QWidget* parent, int window) {
                      auto* box = new QCheckBox(ToQString(text), parent);
                      // clicked comes after the box has toggled itself, and only from the user.
                      QObject::connect(box, &QCheckBox::clicked, box, [window, control] {
                        QueueEvent(kEventControl, window, control);
                      });
                      return box;
                    }) != nullptr
             ? 1
             : 0;
}

void SetControlFont(int control, Handle font) {
  ControlEntry* entry = FindControl(control);
  const ToolkitState* state = State();
  if (entry == nullptr || font == 0) return;
  for (const auto& [slot, loaded] : state->fonts) {
    if (loaded.handle == font) {
      entry->widget->setFont(ScaledFont(loaded.font));
      return;
    }
  }
}

void SetControlColour(int control, int attribute, std::int32_t colour) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  std::optional<QColor> value;
  if (colour != kDefaultColour) value = ToQColor(colour);
  if (attribute == kColourText) {
    entry->text = value;
  } else if (attribute == kColourBackground) {
    entry->background = value;
  } else {
    return;
  }
  ApplyColours(*entry->widget, TextRole(entry->kind), BackgroundRole(entry->kind), entry->text,
               entry->background);
}

void SetToolTip(int control, std::u16string_view text) {
  if (ControlEntry* entry = FindControl(control)) entry->widget->setToolTip(ToQString(text));
}

void SetText(int control, std::u16string_view text) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  QWidget* widget = entry->widget.data();
  const QString value = ToQString(text);
  switch (entry->kind) {
    case ControlKind::kLabel:
      static_cast<QLabel*>(widget)->setText(value);
      if (entry->describes) entry->describes->setAccessibleDescription(value.trimmed());
      break;
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      static_cast<QAbstractButton*>(widget)->setText(value);
      break;
    case ControlKind::kTextField:
      static_cast<QLineEdit*>(widget)->setText(value);
      static_cast<QLineEdit*>(widget)->setCursorPosition(0);
      break;
    case ControlKind::kEditor:
      static_cast<QPlainTextEdit*>(widget)->setPlainText(value);
      entry->editorLines = text.empty() ? 0 : static_cast<QPlainTextEdit*>(widget)->blockCount();
      break;
    default:
      // Kinds without a text of their own keep it as their window text.
      widget->setWindowTitle(value);
      break;
  }
}

std::u16string GetText(int control) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return {};
  const QWidget* widget = entry->widget.data();
  switch (entry->kind) {
    case ControlKind::kLabel:
      return FromQString(static_cast<const QLabel*>(widget)->text());
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      return FromQString(static_cast<const QAbstractButton*>(widget)->text());
    case ControlKind::kTextField:
      return FromQString(static_cast<const QLineEdit*>(widget)->text());
    case ControlKind::kEditor:
      return FromQString(static_cast<const QPlainTextEdit*>(widget)->toPlainText());
    default:
      return FromQString(widget->windowTitle());
  }
}

void SetState(int control, int state) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckBox) return;
  static_cast<QCheckBox*>(entry->widget.data())->setChecked(state != 0);
}

int GetState(int control) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckBox) return 0;
  return static_cast<const QCheckBox*>(entry->widget.data())->isChecked() ? 1 : 0;
}

}  // namespace rk::tk
