#ifndef FENDREL_UPDATER_UNZIPPER_H
#define FENDREL_UPDATER_UNZIPPER_H

#include <memory>

#include "core/Stream.h"
#include "core/String.h"

namespace updater {

// What the update sequence asks of its archive extraction component AbUnZipper1.
class IUnZipper {
 public:
  virtual ~IUnZipper() = default;
  virtual void OpenArchive(const String& fileName) = 0;
  virtual void ExtractFiles(const String& fileMask) = 0;
  virtual void CloseArchive() = 0;
  // The stream through which the open archive is read, from OpenArchive to CloseArchive;
  // nullptr when no archive is open or the component does not show it.
  virtual TStream* ArchiveStream() { return nullptr; }
};

// The real extraction component, a TAbUnZipper with every property at its default
// and no event handler assigned.
std::unique_ptr<IUnZipper> CreateAbUnZipper();

}  // namespace updater

#endif
