#ifndef FENDREL_UPDATER_UNZIPPER_H
#define FENDREL_UPDATER_UNZIPPER_H

#include <cstdint>
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

  // The extraction's progress events: the archive's percentage done, and each advance of
  // the percentage of the entry being extracted. Neither ends the extraction.
  std::function<void(std::uint8_t progress)> OnArchiveProgress;
  std::function<void(std::uint8_t progress)> OnArchiveItemProgress;
  // An entry that could not be extracted, with the exception it failed with; the
  // extraction goes on with the next entry. Unassigned: the failure is dropped.
  using TItemFailureEvent = std::function<void(const String& itemName, const std::exception_ptr& failure)>;
  TItemFailureEvent OnItemFailure;
};

// The real extraction component, a TAbUnZipper with every property at its default; its
// progress events are passed on to those of IUnZipper, and its failure report hands each
// failed entry to OnItemFailure.
std::unique_ptr<IUnZipper> CreateAbUnZipper();

}  // namespace updater

#endif
