#pragma once
// The program's life: start-up, the event loop and shutdown. The steps are separate so that
// tests can start the shell, feed it events one by one and end it.

#include <string>

#include "app/shell_state.h"
#include "services/date.h"

namespace rk::app {

// Starts the toolkit, loads the fonts, reads the settings (beside `programFolder`, ending in
// "/", or in the user's configuration folder: ChooseSettingsPlace) and opens the main and the
// information window. "Neu" names its books by `clock`. False when the toolkit cannot start;
// then nothing else was done.
bool StartShell(std::u16string programFolder, DateValue (*clock)() = &CurrentDate);

// Handles one event: runs the operation of a control event; false for a close request, which
// ends the loop. Other codes are ignored.
bool DispatchEvent(int code, int control);

// Waits for events and handles them until the first close request.
void RunEventLoop();

// Writes the settings back, frees the fonts and ends the toolkit.
void EndShell();

// The whole program run from `programFolder`; the process's exit code.
int RunProgram(std::u16string programFolder);

}  // namespace rk::app
