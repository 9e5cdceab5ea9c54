#ifndef FENDREL_NET_IDCOMPONENT_H
#define FENDREL_NET_IDCOMPONENT_H

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <vector>

#include "core/String.h"

enum class TWorkMode { wmRead = 0, wmWrite = 1 };

enum class TIdStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
  ftpTransfer,
  ftpReady,
  ftpAborted
};

// The format of the status text reported for each status.
StringView StatusTexts(TIdStatus status);

// The base of every network component: the status event and the work events, which report
// the progress of a transfer per direction. Work calls nest: only the outermost BeginWork and
// EndWork of a direction fire their events. A component with a work target forwards all of its
// work calls there. Every component holds a reference on the process-wide socket stack for
// as long as it lives.
class TIdComponent {
 public:
  using TIdStatusEvent = std::function<void(TIdComponent& sender, TIdStatus status, const String& text)>;
  using TWorkEvent = std::function<void(TIdComponent& sender, TWorkMode mode, std::int64_t workCount)>;
  using TWorkBeginEvent =
      std::function<void(TIdComponent& sender, TWorkMode mode, std::int64_t workCountMax)>;
  using TWorkEndEvent = std::function<void(TIdComponent& sender, TWorkMode mode)>;

  TIdComponent();
  virtual ~TIdComponent();
  TIdComponent(const TIdComponent&) = delete;
  TIdComponent& operator=(const TIdComponent&) = delete;

  TIdStatusEvent OnStatus;
  TWorkEvent OnWork;
  TWorkBeginEvent OnWorkBegin;
  TWorkEndEvent OnWorkEnd;

  void BeginWork(TWorkMode mode, std::int64_t size = 0);
  void DoWork(TWorkMode mode, std::int64_t count);
  void EndWork(TWorkMode mode);
  // Formats the status text with the arguments (with none: one empty text) and reports it;
  // nothing is formatted when no status handler is assigned.
  void NotifyStatus(TIdStatus status, std::initializer_list<FormatArg> arguments = {});

  TIdComponent* WorkTarget() const { return FWorkTarget; }
  void SetWorkTarget(TIdComponent* target) { FWorkTarget = target; }

  // Work bookkeeping of one direction.
  std::int64_t WorkCount(TWorkMode mode) const { return Info(mode).Count; }
  std::int64_t WorkCountMax(TWorkMode mode) const { return Info(mode).CountMax; }
  std::int32_t WorkLevel(TWorkMode mode) const { return Info(mode).Level; }

  // Asks to be told (through Notification) when this component is destroyed.
  void FreeNotification(TIdComponent& watcher);
  void RemoveFreeNotification(TIdComponent& watcher);

 protected:
  // Called on a watcher when a component it watches is being destroyed.
  virtual void Notification(TIdComponent& /*destroyed*/) {}

 private:
  struct TWorkInfo {
    std::int64_t Count = 0;
    std::int64_t CountMax = 0;
    std::int32_t Level = 0;
  };
  const TWorkInfo& Info(TWorkMode mode) const { return FWorkInfos[static_cast<std::size_t>(mode)]; }
  TWorkInfo& Info(TWorkMode mode) { return FWorkInfos[static_cast<std::size_t>(mode)]; }

  std::array<TWorkInfo, 2> FWorkInfos{};
  TIdComponent* FWorkTarget = nullptr;
  std::vector<TIdComponent*> FFreeNotifies;
};

// One piece of work of a direction: begins it when made, ends it when the scope is left, by
// whatever way. When the scope is left by an exception, that exception is the one reported
// and a failure of the end (an OnWorkEnd handler that raises) is dropped; when it is left
// normally, such a failure propagates from the end of the scope.
class TIdWorkScope {
 public:
  TIdWorkScope(TIdComponent& component, TWorkMode mode, std::int64_t size = 0)
      : FComponent(component), FMode(mode) {
    FComponent.BeginWork(FMode, size);
  }
  ~TIdWorkScope() noexcept(false);
  TIdWorkScope(const TIdWorkScope&) = delete;
  TIdWorkScope& operator=(const TIdWorkScope&) = delete;

 private:
  TIdComponent& FComponent;
  TWorkMode FMode;
  int FUncaught = std::uncaught_exceptions();
};

#endif
