#include "app/info_window.h"

#include "app/controls.h"
#include "app/info_text.h"

namespace rk::app {

void BuildInfoWindow(tk::Handle owner, const Fonts& fonts, std::int32_t toolTipSwitch) {
  // Title bar only: without the system menu the window has no close box, so it is left
  // through "Schliessen" and never ends the program.
  if (tk::OpenWindow(kInfoWindow, 0, 0, 620, 500, u"Rufkartei - Information",
                     tk::kWindowTitleBar | tk::kWindowCentreScreen, owner) == 0) {
    return;
  }
  tk::CreateLabel(kInfoHeading, 10, 10, 600, 30, u"Rufkartei", tk::kLabelCentred);
  tk::SetControlFont(kInfoHeading, fonts.heading);
  tk::SetControlColour(kInfoHeading, tk::kColourText, kRed);

  tk::CreateEditor(kInfoText, 10, 40, 600, 350, tk::kEditorReadOnly);
  tk::SetControlFont(kInfoText, fonts.list);
  for (std::u16string_view line : kInfoLines) tk::AddItem(kInfoText, -1, line);
  // A screen reader would otherwise announce a nameless text field.
  tk::SetAccessibleName(kInfoText, u"Information");

  tk::CreateCheckBox(kInfoToolTipBox, 125, 400, 370, 30,
                     u" ToolTip ab nächstem Programmstart Ein-/Ausschalten");
  tk::SetControlFont(kInfoToolTipBox, fonts.normal);
  tk::SetState(kInfoToolTipBox, toolTipSwitch);

  tk::CreateButton(kInfoClose, 250, 450, 120, 30, u"Schliessen");
  tk::SetControlFont(kInfoClose, fonts.normal);
}

void TakeToolTipSwitch(int checkBox) { Shell().toolTipSwitch = tk::GetState(checkBox); }

}  // namespace rk::app
