#include "book/file_message.h"

#include <string>

#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::book {

void ReportFileProblem(std::u16string_view headline, std::u16string_view path, int icon) {
  std::u16string text = u"  ";
  text += headline;
  text += u"    \n\n  Datei:  ";
  text += FilePart(path);
  text += u"    \n\n  Pfad:   ";
  text += FolderPart(path);
  text += u"    ";
  tk::MessageBox(u"Fehlermeldung", text, icon);
}

}  // namespace rk::book
