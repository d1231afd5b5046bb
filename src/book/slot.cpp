#include "book/slot.h"

#include <array>

#include "book/book.h"

#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::book {
namespace {

std::array<BookSlot, 2>& Slots() {
  static std::array<BookSlot, 2> slots = {
      BookSlot{.number = 1, .numberSuffix = NumberSuffix::kBookOne, .rememberedFolder = {}, .records = {}},
      BookSlot{.number = 2, .numberSuffix = NumberSuffix::kBookTwo, .rememberedFolder = {}, .records = {}},
  };
  return slots;
}

}  // namespace

BookSlot* FindSlot(int slot) {
  if (slot != 1 && slot != 2) return nullptr;
  return &Slots()[static_cast<std::size_t>(slot - 1)];
}

BookSlot* OtherSlot(int slot) {
  if (slot != 1 && slot != 2) return nullptr;
  return FindSlot(3 - slot);
}

void AttachPane(int slot, const PaneControls& controls) {
  if (BookSlot* found = FindSlot(slot)) {
    found->countLabel = controls.countLabel;
    found->nameField = controls.nameField;
    found->fileField = controls.fileField;
    found->contactList = controls.contactList;
  }
}

void SetRememberedFolder(int slot, std::u16string_view folder) {
  if (BookSlot* found = FindSlot(slot)) found->rememberedFolder = folder;
}

std::u16string RememberedFolder(int slot) {
  const BookSlot* found = FindSlot(slot);
  return found == nullptr ? std::u16string() : found->rememberedFolder;
}

namespace {

std::u16string CountText(const BookSlot& slot) {
  return u" Anz.: " + DecimalText(tk::CountItems(slot.contactList));
}

}  // namespace

void RefreshCountLabel(const BookSlot& slot) { tk::SetText(slot.countLabel, CountText(slot)); }

std::u16string CountForReaders(const BookSlot& slot) {
  return u"Telefonbuch " + DecimalText(slot.number) + u":" + CountText(slot);
}

void ShowAllRows(const BookSlot& slot) {
  tk::ClearItems(slot.contactList);
  tk::AddItems(slot.contactList, AllRowTexts(slot.records));
  RefreshCountLabel(slot);
}

}  // namespace rk::book
