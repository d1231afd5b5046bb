// What a screen reader is told beyond what the standard controls say by themselves.
// Narrator and NVDA read a standard control's caption, a field by the label right before it in
// the window's order, and the list's rows and column titles; so SetLabelFor only keeps the
// label before its control.
// Names and descriptions that differ from a caption are added with oleacc's dynamic
// annotation (IAccPropServices); where that service is missing (Wine) they are skipped.
#include "services/toolkit/state_win32.h"

#include <initguid.h>
#include <oleacc.h>

#include <map>
#include <vector>


namespace rk::tk {

using namespace detail;

namespace {

IAccPropServices* g_annotations = nullptr;
bool g_annotationsTried = false;

IAccPropServices* Annotations() {
  if (!g_annotationsTried && State() != nullptr && State()->comStarted) {
    g_annotationsTried = true;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&g_annotations)))) {
      g_annotations = nullptr;
    }
  }
  return g_annotations;
}

void AnnotateWindow(HWND hwnd, const MSAAPROPID& property, std::u16string_view text) {
  IAccPropServices* annotations = Annotations();
  if (hwnd == nullptr || annotations == nullptr) return;
  const std::wstring value = Wide(text);
  annotations->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property,
                              value.c_str());
}

void Annotate(int control, const MSAAPROPID& property, std::u16string_view text) {
  if (const ControlEntry* entry = FindControl(control)) AnnotateWindow(entry->hwnd, property, text);
}

// Puts `hwnd` right after `after` among its siblings (the window's order, which is the order of
// Tab and of a screen reader's reading).
void PlaceAfter(HWND hwnd, HWND after) {
  SetWindowPos(hwnd, after, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

// Puts the label right before its control, where a reader looks for a field's name. A first
// sibling goes after HWND_TOP, which is null.
void PlaceLabelBefore(HWND label, HWND hwnd) {
  const HWND before = GetWindow(hwnd, GW_HWNDPREV);
  if (before != label) PlaceAfter(label, before);
}

}  // namespace

namespace detail {

void SetDescription(int control, std::u16string_view text) {
  // Trimmed: the count label's leading blank is layout, not words.
  const std::size_t first = text.find_first_not_of(u' ');
  const std::size_t last = text.find_last_not_of(u' ');
  Annotate(control, PROPID_ACC_DESCRIPTION,
           first == std::u16string_view::npos ? std::u16string_view()
                                              : text.substr(first, last - first + 1));
}

void ReleaseAnnotations() {
  if (g_annotations != nullptr) g_annotations->Release();
  g_annotations = nullptr;
  g_annotationsTried = false;
}

}  // namespace detail

void SetAccessibleName(int control, std::u16string_view name) {
  Annotate(control, PROPID_ACC_NAME, name);
}

void SetLabelFor(int label, int control) {
  const ControlEntry* labelEntry = FindControl(label);
  ControlEntry* entry = FindControl(control);
  if (labelEntry == nullptr || entry == nullptr) return;
  entry->label = label;
  if (GetParent(labelEntry->hwnd) != GetParent(entry->hwnd)) return;
  PlaceLabelBefore(labelEntry->hwnd, entry->hwnd);
}

void SetDescribedBy(int control, int label) {
  ControlEntry* labelEntry = FindControl(label);
  if (labelEntry == nullptr || FindControl(control) == nullptr) return;
  labelEntry->describes = control;
  SetDescription(control, WindowText(labelEntry->hwnd));
}

void SetWindowAccessibleName(int window, std::u16string_view name) {
  AnnotateWindow(reinterpret_cast<HWND>(WindowHandle(window)), PROPID_ACC_NAME, name);
}

void AnnounceOutcome(std::u16string_view text) {
  // The focused button carries the outcome as its description; Narrator and NVDA read a
  // changed description of the focused object. A list keeps its count as its description.
  const HWND focused = GetFocus();
  if (focused == nullptr) return;
  wchar_t className[32] = {};
  GetClassNameW(focused, className, 32);
  if (lstrcmpiW(className, L"Button") != 0) return;
  AnnotateWindow(focused, PROPID_ACC_DESCRIPTION, text);
  NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, focused, OBJID_CLIENT, CHILDID_SELF);
}

void SetTabOrder(std::span<const int> controls) {
  // The dialog manager tabs in the window's order; each pane's controls are put in the order
  // given, starting where the first of them stands, each field with its label right before it.
  std::map<HWND, HWND> lastOfParent;
  for (int control : controls) {
    const ControlEntry* entry = FindControl(control);
    if (entry == nullptr) continue;
    const HWND hwnd = entry->hwnd;
    SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_TABSTOP);
    const HWND parent = GetParent(hwnd);
    const auto last = lastOfParent.find(parent);
    const ControlEntry* label = FindControl(entry->label);
    const bool hasLabel = label != nullptr && GetParent(label->hwnd) == parent;
    if (last == lastOfParent.end()) {
      if (hasLabel) PlaceLabelBefore(label->hwnd, hwnd);
      lastOfParent[parent] = hwnd;
      continue;
    }
    HWND after = last->second;
    if (hasLabel) {
      PlaceAfter(label->hwnd, after);
      after = label->hwnd;
    }
    PlaceAfter(hwnd, after);
    last->second = hwnd;
  }
}

}  // namespace rk::tk
