#include "app/shell.h"

#include <utility>

#include "app/controls.h"
#include "app/dispatch.h"
#include "app/fonts.h"
#include "app/info_window.h"
#include "app/main_window.h"
#include "app/program_settings.h"
#include "book/book.h"
#include "book/slot.h"
#include "services/heap.h"
#include "services/toolkit/toolkit.h"

namespace rk::app {

ShellState& Shell() {
  static ShellState state;
  return state;
}

bool StartShell(std::u16string programFolder, DateValue (*clock)()) {
  if (tk::StartToolkit() == 0) return false;
  KeepFreedHeapForReuse();
  book::SetClock(clock);
  ShellState& state = Shell();
  state = ShellState{};
  state.programFolder = std::move(programFolder);
  SettingsPlace place =
      ChooseSettingsPlace(state.programFolder, tk::UserConfigFolder(), tk::HomeFolder());
  state.settingsFolder = std::move(place.settingsFolder);
  state.defaultFolder = std::move(place.defaultFolder);
  state.fonts = LoadFonts();
  ReadProgramSettings(state);
  const tk::Handle mainWindow = BuildMainWindow(state.fonts, state.toolTipSwitch);
  for (const int slot : {1, 2}) {
    book::AttachPane(slot, {PaneControl(slot, kCountLabel), PaneControl(slot, kNameField),
                            PaneControl(slot, kFileField), PaneControl(slot, kContactList)});
  }
  BuildInfoWindow(mainWindow, state.fonts, state.toolTipSwitch);
  // Windows may end the program right after the session's end, before the loop returns.
  tk::SetSessionEndHandler([] { WriteProgramSettings(Shell()); });
  return true;
}

bool DispatchEvent(int code, int control) {
  // A close request ends the program whichever window it comes from.
  if (code == tk::kEventClose) return false;
  if (code == tk::kEventControl) DispatchControl(control);
  return true;
}

void RunEventLoop() {
  for (;;) {
    const int code = tk::WaitEvent();
    if (!DispatchEvent(code, tk::EventControl())) return;
  }
}

void EndShell() {
  tk::SetSessionEndHandler({});
  WriteProgramSettings(Shell());
  FreeFonts();
  tk::EndToolkit();
}

int RunProgram(std::u16string programFolder) {
  if (!StartShell(std::move(programFolder))) return 1;
  RunEventLoop();
  EndShell();
  return 0;
}

}  // namespace rk::app
