#ifndef FENDREL_ZIP_ABARCHIVETYPES_H
#define FENDREL_ZIP_ABARCHIVETYPES_H

#include <cstdint>
#include <initializer_list>

// The enumerations shared by the archive object, the unzipper component and the
// decoding side. Values are numbered from 0 in declaration order.

enum class TAbArchiveType {
  atUnknown,
  atZip,
  atSpannedZip,
  atSelfExtZip,
  atTar,
  atGzip,
  atGzippedTar,
  atCab,
  atBzip2,
  atBzippedTar
};

enum class TAbArchiveStatus { asInvalid, asIdle, asBusy };

enum class TAbExtractOption { eoCreateDirs, eoRestorePath };

enum class TAbStoreOption { soStripDrive, soStripPath, soRemoveDots, soRecurse, soFreshen, soReplace };

enum class TAbArchiveAction { aaFailed, aaNone, aaAdd, aaDelete, aaFreshen, aaMove, aaReplace, aaStreamAdd };

enum class TAbProcessType { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptFoundUnhandled };

enum class TAbErrorClass {
  ecKolmira,
  ecInOutError,
  ecFilerError,
  ecFileCreateError,
  ecFileOpenError,
  ecCabError,
  ecOther
};

enum class TAbZipSupportedMethod { smStored, smDeflated, smBestMethod };

enum class TAbZipDeflationOption { doInvalid, doNormal, doMaximum, doFast, doSuperFast };

enum class TAbZipDictionarySize { dsInvalid, ds4K, ds8K };

// A set of the values of a small enumeration.
template <class E>
class TAbSet {
 public:
  constexpr TAbSet() = default;
  constexpr TAbSet(std::initializer_list<E> values) {
    for (const E value : values) Include(value);
  }
  constexpr bool Contains(E value) const { return (FBits & Bit(value)) != 0; }
  constexpr void Include(E value) { FBits |= Bit(value); }
  constexpr void Exclude(E value) { FBits &= ~Bit(value); }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr bool operator==(const TAbSet&) const = default;

 private:
  static constexpr std::uint32_t Bit(E value) { return std::uint32_t{1} << static_cast<unsigned>(value); }
  std::uint32_t FBits = 0;
};

using TAbExtractOptions = TAbSet<TAbExtractOption>;
using TAbStoreOptions = TAbSet<TAbStoreOption>;

#endif
