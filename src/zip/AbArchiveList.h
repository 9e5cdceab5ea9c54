#ifndef FENDREL_ZIP_ABARCHIVELIST_H
#define FENDREL_ZIP_ABARCHIVELIST_H

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/String.h"
#include "zip/AbArchiveItem.h"

// The entries of an archive in directory order, with 1021 hash chains for lookup by
// name. The list owns its entries.
class TAbArchiveList {
 public:
  static constexpr int kHashSize = 1021;

  TAbArchiveList() { HashTable.fill(nullptr); }
  TAbArchiveList(const TAbArchiveList&) = delete;
  TAbArchiveList& operator=(const TAbArchiveList&) = delete;

  // Links the entry at the head of its chain and appends it; answers its index.
  int Add(std::unique_ptr<TAbArchiveItem> item);
  // The index of the most recently added entry whose name equals name when the case
  // of ASCII letters is ignored, or -1.
  int Find(const String& name) const;
  // The index of this very entry, or -1.
  int IndexOf(const TAbArchiveItem* item) const;
  TAbArchiveItem& Get(int index) const { return *FList.at(static_cast<std::size_t>(index)); }
  TAbArchiveItem& operator[](int index) const { return Get(index); }
  int Count() const { return static_cast<int>(FList.size()); }
  // Frees the entries and empties the hash table.
  void Clear();

  // The chain index of a name (upper-cased first).
  static int HashOf(const String& name);

 private:
  std::vector<std::unique_ptr<TAbArchiveItem>> FList;
  mutable std::size_t FLastFound = static_cast<std::size_t>(-1);
  std::array<TAbArchiveItem*, kHashSize> HashTable;
};

#endif
