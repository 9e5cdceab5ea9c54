#include "zip/AbArchiveList.h"

#include <algorithm>

namespace {

// Upper case as a German system's locale gives it for the scripts names are written in
// (Latin, Greek, Cyrillic); other characters stay as they are.
char16_t UpperChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c < 0xE0) return c == 0xB5 ? char16_t{0x39C} : c;
  if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A: pairs, odd code points lower case, except in the runs that
    // start on an odd code point.
    const bool oddRun = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x131) return u'I';
    if (c == 0x17F) return u'S';
    if (oddRun) return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
    if (c == 0x138 || c == 0x149) return c;
    return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  return c;
}

}  // namespace

int TAbArchiveList::HashOf(const String& name) {
  std::uint32_t h = 0;
  for (const char16_t c : name) {
    h = (h << 4) + UpperChar(c);
    const std::uint32_t g = h & 0xF0000000u;
    if (g != 0) h ^= g >> 24;
    h &= ~g;
  }
  return static_cast<int>(h % kHashSize);
}

int TAbArchiveList::Add(std::unique_ptr<TAbArchiveItem> item) {
  TAbArchiveItem*& head = HashTable[static_cast<std::size_t>(HashOf(item->FileName()))];
  item->NextItem = head;
  head = item.get();
  FList.push_back(std::move(item));
  return Count() - 1;
}

int TAbArchiveList::Find(const String& name) const {
  for (const TAbArchiveItem* item = HashTable[static_cast<std::size_t>(HashOf(name))]; item != nullptr;
       item = item->NextItem) {
    if (SameText(item->FileName(), name)) return IndexOf(item);
  }
  return -1;
}

int TAbArchiveList::IndexOf(const TAbArchiveItem* item) const {
  // An extraction asks for its entries in directory order: the slot after the one found
  // last is tried first.
  const std::size_t next = FLastFound + 1;
  if (next < FList.size() && FList[next].get() == item) return static_cast<int>(FLastFound = next);
  const auto found =
      std::find_if(FList.begin(), FList.end(), [item](const auto& owned) { return owned.get() == item; });
  if (found == FList.end()) return -1;
  FLastFound = static_cast<std::size_t>(found - FList.begin());
  return static_cast<int>(FLastFound);
}

void TAbArchiveList::Clear() {
  HashTable.fill(nullptr);
  FList.clear();
}
