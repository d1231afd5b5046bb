// Rufkartei: copies, moves and deletes contacts between two router phonebook files.

#include "app/shell.h"
#include "services/folders.h"

int main() { return rk::app::RunProgram(rk::ProgramFolder()); }
