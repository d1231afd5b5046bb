#pragma once
// The phonebook operations bound to the buttons of a pane: "Neu", "Laden", "Speichern".
// Each takes the slot number; any number other than 1 or 2 does nothing.

#include <string>
#include <string_view>

#include "services/date.h"

namespace rk::book {

// Lets the user pick a phonebook file and loads it into the slot, with messages for an
// unreadable file, a parse error and every node kind that is not kept.
void Load(int slot);

// Replaces the slot's book with an empty one named "Neu_" and the current minute.
void New(int slot);

// Writes the slot's book to the Datei text followed by "_NEU.xml"; a failed write is reported.
void Save(int slot);

// The folder the slot's open-file dialog starts in (set at start-up, changed by loads).
void SetRememberedFolder(int slot, std::u16string_view folder);
std::u16string RememberedFolder(int slot);

// The clock New reads, given by the shell at start; nullptr is the system's local time.
void SetClock(DateValue (*clock)());

}  // namespace rk::book
