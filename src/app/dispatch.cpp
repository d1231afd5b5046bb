#include "app/dispatch.h"

#include <array>

#include "app/controls.h"
#include "app/info_window.h"
#include "book/book.h"
#include "services/toolkit/toolkit.h"
#include "transfer/transfer.h"

namespace rk::app {
namespace {

// A control and the operation its events run on one number: the slot of a book's button, the
// check box whose state the tooltip switch takes, or the window "Schliessen" closes.
struct Binding {
  int control;
  void (*operation)(int target);
  int target;
};

constexpr std::array kBindings = {
    Binding{PaneControl(1, kNewButton), &book::New, 1},
    Binding{PaneControl(1, kLoadButton), &book::Load, 1},
    Binding{PaneControl(1, kSaveButton), &book::Save, 1},
    Binding{PaneControl(2, kNewButton), &book::New, 2},
    Binding{PaneControl(2, kLoadButton), &book::Load, 2},
    Binding{PaneControl(2, kSaveButton), &book::Save, 2},
    Binding{PaneControl(1, kMarkButton), &transfer::SetMarks, 1},
    Binding{PaneControl(1, kUnmarkButton), &transfer::ClearMarks, 1},
    Binding{PaneControl(1, kCopyButton), &transfer::CopyTicked, 1},
    Binding{PaneControl(1, kMoveButton), &transfer::MoveTicked, 1},
    Binding{PaneControl(1, kDeleteButton), &transfer::DeleteTicked, 1},
    Binding{PaneControl(2, kMarkButton), &transfer::SetMarks, 2},
    Binding{PaneControl(2, kUnmarkButton), &transfer::ClearMarks, 2},
    Binding{PaneControl(2, kCopyButton), &transfer::CopyTicked, 2},
    Binding{PaneControl(2, kMoveButton), &transfer::MoveTicked, 2},
    Binding{PaneControl(2, kDeleteButton), &transfer::DeleteTicked, 2},
    Binding{kInfoToolTipBox, &TakeToolTipSwitch, kInfoToolTipBox},
    Binding{kInfoClose, &tk::CloseWindow, kInfoWindow},
};

}  // namespace

void DispatchControl(int control) {
  for (const Binding& binding : kBindings) {
    if (binding.control == control) {
      binding.operation(binding.target);
      return;
    }
  }
}

}  // namespace rk::app
