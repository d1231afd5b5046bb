#include "book/book.h"
#include "book/slot.h"
#include "services/date.h"
#include "services/toolkit/toolkit.h"

namespace rk::book {
namespace {

DateValue (*g_clock)() = &CurrentDate;

}  // namespace

void SetClock(DateValue (*clock)()) { g_clock = clock != nullptr ? clock : &CurrentDate; }

void New(int slotNumber) {
  BookSlot* slot = FindSlot(slotNumber);
  if (slot == nullptr) return;
  const std::u16string name = u"Neu_" + FormatDate(u"%yy%mm%dd%hh%ii", g_clock());
  tk::SetText(slot->nameField, name);
  tk::SetText(slot->fileField, slot->rememberedFolder + name + u".xml");
  tk::ClearItems(slot->contactList);
  RefreshCountLabel(*slot);
  // The two elements a phonebook file starts with, numbered as a load numbers them.
  ClearRecords(slot->records);
  AppendElement(slot->records, 0, slot->numberSuffix, 0, u"phonebooks");
  SetLastText(slot->records, {});
  AppendElement(slot->records, 1, slot->numberSuffix, 1, u"phonebook");
  AppendAttribute(slot->records, u"owner", u"1");
  AppendAttribute(slot->records, u"name", name);
  SetLastText(slot->records, {});
}

}  // namespace rk::book
