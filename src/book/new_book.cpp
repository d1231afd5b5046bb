#include "book/book.h"
#include "book/phonebook_file.h"
#include "book/slot.h"
#include "services/date.h"
#include "services/toolkit/toolkit.h"

namespace rk::book {
namespace {

DateValue (*g_clock)() = &CurrentDate;

}  // namespace

void SetClock(DateValue (*clock)()) { g_clock = clock != nullptr ? clock : &CurrentDate; }

void AppendEmptyBook(RecordList& list, NumberSuffix suffix, std::u16string_view bookName) {
  AppendElement(list, 0, suffix, 0, kPhonebooks);
  SetLastText(list, {});
  AppendElement(list, 1, suffix, 1, kPhonebook);
  AppendAttribute(list, kOwnerAttribute, u"1");
  AppendAttribute(list, kNameAttribute, bookName);
  SetLastText(list, {});
}

void New(int slotNumber) {
  BookSlot* slot = FindSlot(slotNumber);
  if (slot == nullptr) return;
  const std::u16string name = u"Neu_" + FormatDate(u"%yy%mm%dd%hh%ii", g_clock());
  tk::SetText(slot->nameField, name);
  tk::SetText(slot->fileField, slot->rememberedFolder + name + u".xml");
  tk::ClearItems(slot->contactList);
  RefreshCountLabel(*slot);
  ClearRecords(slot->records);
  AppendEmptyBook(slot->records, slot->numberSuffix, name);
  tk::AnnounceOutcome(u"Neu angelegt: " + name + u", " + CountForReaders(*slot));
}

}  // namespace rk::book
