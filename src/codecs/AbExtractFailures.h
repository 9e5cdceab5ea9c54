#ifndef FENDREL_CODECS_ABEXTRACTFAILURES_H
#define FENDREL_CODECS_ABEXTRACTFAILURES_H

#include <cstdint>

#include "core/String.h"
#include "zip/AbException.h"

// Failures of extraction that protect the user's files: names that cannot be files,
// paths that would leave the target directory, the archive as its own target, data
// that runs past its recorded size or would take a decoder outside its tables, and
// decoder parameters or memory out of bounds. Each is a per-entry failure with a fixed
// class, code and text; kAbExtractFailures lists them all in one place, for tools that
// explain them.

inline constexpr char16_t SAbZipRefusedName[] = u"Cannot extract file - name cannot be a file";
inline constexpr char16_t SAbZipUnsafePath[] = u"Cannot extract file - path leaves the target directory";
inline constexpr char16_t SAbZipLinkInPath[] = u"Cannot extract file - path runs through a symbolic link";
inline constexpr char16_t SAbZipTargetIsArchive[] = u"Cannot extract file - target is the archive itself";
inline constexpr char16_t SAbZipSizeExceeded[] = u"Cannot extract file - data longer than its recorded size";
inline constexpr char16_t SAbZipPpmdParameters[] = u"Cannot extract file - PPMd parameters out of range";
inline constexpr char16_t SAbZipDecoderMemory[] = u"Cannot extract file - not enough memory for the decoder";
inline constexpr char16_t SAbZipWavPackFormat[] =
    u"Cannot extract file - WavPack channel count or sample size out of range";

inline constexpr char16_t NEAbZipRefusedName[] = u"EAbZipRefusedName";
inline constexpr char16_t NEAbZipUnsafePath[] = u"EAbZipUnsafePath";
inline constexpr char16_t NEAbZipLinkInPath[] = u"EAbZipLinkInPath";
inline constexpr char16_t NEAbZipTargetIsArchive[] = u"EAbZipTargetIsArchive";
inline constexpr char16_t NEAbZipSizeExceeded[] = u"EAbZipSizeExceeded";
inline constexpr char16_t NEAbZipPpmdParameters[] = u"EAbZipPpmdParameters";
inline constexpr char16_t NEAbZipDecoderMemory[] = u"EAbZipDecoderMemory";
inline constexpr char16_t NEAbZipWavPackFormat[] = u"EAbZipWavPackFormat";

// A control character, an empty, "." or ".." bare name, a device name (CON, PRN, AUX,
// NUL, COM0-9, LPT0-9, with or without extension) or a step ending in a dot or blank.
using EAbZipRefusedName = TAbFixedException<EAbZipException, 101, SAbZipRefusedName, NEAbZipRefusedName>;
// With stored paths kept: a parent-folder step, an empty step, a drive, a colon or a
// leading separator.
using EAbZipUnsafePath = TAbFixedException<EAbZipException, 102, SAbZipUnsafePath, NEAbZipUnsafePath>;
// A folder of the target's path below the base directory is a symbolic link.
using EAbZipLinkInPath = TAbFixedException<EAbZipException, 103, SAbZipLinkInPath, NEAbZipLinkInPath>;
// The target is the open archive file (same file, whatever the spelling).
using EAbZipTargetIsArchive =
    TAbFixedException<EAbZipException, 104, SAbZipTargetIsArchive, NEAbZipTargetIsArchive>;
// The decoder produced more bytes than the entry's uncompressed size.
using EAbZipSizeExceeded = TAbFixedException<EAbZipException, 105, SAbZipSizeExceeded, NEAbZipSizeExceeded>;
// A PPMd entry asks for model order 1 or a restoration method other than restart (0)
// and cut-off (1).
using EAbZipPpmdParameters =
    TAbFixedException<EAbZipException, 120, SAbZipPpmdParameters, NEAbZipPpmdParameters>;
// The memory a decoder's model needs (PPMd: up to 256 MB, as the entry asks) cannot be had.
using EAbZipDecoderMemory =
    TAbFixedException<EAbZipException, 121, SAbZipDecoderMemory, NEAbZipDecoderMemory>;
// A WavPack stream has no channels or samples of no size or more than 4 bytes.
using EAbZipWavPackFormat =
    TAbFixedException<EAbZipException, 122, SAbZipWavPackFormat, NEAbZipWavPackFormat>;

// Damaged shrunk, reduced or imploded data that would make the decoder read or write
// outside its tables ends the entry with one of these.
inline constexpr char16_t SAbZipBadFollowerCount[] =
    u"Cannot extract file - reduced data holds a follower set over 32";
inline constexpr char16_t SAbZipBadFollowerIndex[] =
    u"Cannot extract file - reduced data picks a follower its set does not hold";
inline constexpr char16_t SAbZipBadImplodeTree[] =
    u"Cannot extract file - imploded data gives more code lengths than its tree holds";
inline constexpr char16_t SAbZipBadShrinkCode[] =
    u"Cannot extract file - shrunk data grows its codes beyond 13 bits";
inline constexpr char16_t SAbZipShrinkChainTooLong[] =
    u"Cannot extract file - shrunk data holds a code chain longer than its stack";
inline constexpr char16_t NEAbZipBadFollowerCount[] = u"EAbZipBadFollowerCount";
inline constexpr char16_t NEAbZipBadFollowerIndex[] = u"EAbZipBadFollowerIndex";
inline constexpr char16_t NEAbZipBadImplodeTree[] = u"EAbZipBadImplodeTree";
inline constexpr char16_t NEAbZipBadShrinkCode[] = u"EAbZipBadShrinkCode";
inline constexpr char16_t NEAbZipShrinkChainTooLong[] = u"EAbZipShrinkChainTooLong";
// A follower set of a reduced entry counts more than 32 bytes.
using EAbZipBadFollowerCount =
    TAbFixedException<EAbZipException, 110, SAbZipBadFollowerCount, NEAbZipBadFollowerCount>;
// A reduced entry picks a follower at or beyond its set's count.
using EAbZipBadFollowerIndex =
    TAbFixedException<EAbZipException, 111, SAbZipBadFollowerIndex, NEAbZipBadFollowerIndex>;
// The bit-length list of an imploded entry's tree covers more symbols than the tree holds.
using EAbZipBadImplodeTree =
    TAbFixedException<EAbZipException, 112, SAbZipBadImplodeTree, NEAbZipBadImplodeTree>;
// A shrunk entry raises its code size past 13 bits (codes would reach 8,192 and more).
using EAbZipBadShrinkCode =
    TAbFixedException<EAbZipException, 113, SAbZipBadShrinkCode, NEAbZipBadShrinkCode>;
// A shrunk entry's code chain does not end within the 8,193 bytes of the decoder's stack.
using EAbZipShrinkChainTooLong =
    TAbFixedException<EAbZipException, 114, SAbZipShrinkChainTooLong, NEAbZipShrinkChainTooLong>;

struct TAbFailureDescription {
  const char16_t* ClassName;
  const char16_t* ParentName;
  std::int32_t ErrorCode;
  const char16_t* Message;
};

inline constexpr TAbFailureDescription kAbExtractFailures[] = {
    {NEAbZipRefusedName, u"EAbZipException", 101, SAbZipRefusedName},
    {NEAbZipUnsafePath, u"EAbZipException", 102, SAbZipUnsafePath},
    {NEAbZipLinkInPath, u"EAbZipException", 103, SAbZipLinkInPath},
    {NEAbZipTargetIsArchive, u"EAbZipException", 104, SAbZipTargetIsArchive},
    {NEAbZipSizeExceeded, u"EAbZipException", 105, SAbZipSizeExceeded},
    {NEAbZipBadFollowerCount, u"EAbZipException", 110, SAbZipBadFollowerCount},
    {NEAbZipBadFollowerIndex, u"EAbZipException", 111, SAbZipBadFollowerIndex},
    {NEAbZipBadImplodeTree, u"EAbZipException", 112, SAbZipBadImplodeTree},
    {NEAbZipBadShrinkCode, u"EAbZipException", 113, SAbZipBadShrinkCode},
    {NEAbZipShrinkChainTooLong, u"EAbZipException", 114, SAbZipShrinkChainTooLong},
    {NEAbZipPpmdParameters, u"EAbZipException", 120, SAbZipPpmdParameters},
    {NEAbZipDecoderMemory, u"EAbZipException", 121, SAbZipDecoderMemory},
    {NEAbZipWavPackFormat, u"EAbZipException", 122, SAbZipWavPackFormat},
};

#endif
