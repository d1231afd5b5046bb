#pragma once
// The "Fehlermeldung" box shared by loading and saving when a phonebook file cannot be used.

#include <string_view>

namespace rk::book {

// Shows `headline` with the file part and the folder part of `path`, under the given icon.
void ReportFileProblem(std::u16string_view headline, std::u16string_view path, int icon);

}  // namespace rk::book
