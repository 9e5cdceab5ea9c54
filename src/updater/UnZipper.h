#ifndef FENDREL_UPDATER_UNZIPPER_H
#define FENDREL_UPDATER_UNZIPPER_H

#include <exception>
#include <functional>
#include <memory>

#include "core/Stream.h"
#include "core/String.h"

namespace updater {

// What the update sequence asks of its archive extraction component AbUnZipper1.
class IUnZipper {
 public:
  virtual ~IUnZipper() = default;
  virtual void OpenArchive(const String& fileName) = 0;
  // Opens the archive the stream holds, known by archiveName; the component owns the
  // stream from now on, reads the archive from it alone and frees it on CloseArchive.
  virtual void OpenArchive(std::unique_ptr<TStream> archive, const String& archiveName) = 0;
  virtual void ExtractFiles(const String& fileMask) = 0;
  virtual void CloseArchive() = 0;

  // An entry that could not be extracted, with the exception it failed with; the
  // extraction goes on with the next entry. Unassigned: the failure is dropped.
  using TItemFailureEvent = std::function<void(const String& itemName, const std::exception_ptr& failure)>;
  TItemFailureEvent OnItemFailure;
};

// The real extraction component, a TAbUnZipper with every property at its default and
// no event handler assigned but the failure report, which hands each failed entry to
// OnItemFailure.
std::unique_ptr<IUnZipper> CreateAbUnZipper();

}  // namespace updater

#endif
