#include "net/IdComponent.h"

#include <algorithm>

#include "core/CleanUp.h"
#include "net/IdStack.h"

StringView StatusTexts(TIdStatus status) {
  switch (status) {
    case TIdStatus::hsResolving:
      return u"Host-Name %s wird aufgelöst.";
    case TIdStatus::hsConnecting:
      return u"Verbinden mit %s.";
    case TIdStatus::hsConnected:
      return u"Verbunden.";
    case TIdStatus::hsDisconnecting:
      return u"Verbindung wird getrennt.";
    case TIdStatus::hsDisconnected:
      return u"Verbindung getrennt.";
    case TIdStatus::hsStatusText:
    case TIdStatus::ftpTransfer:
    case TIdStatus::ftpReady:
    case TIdStatus::ftpAborted:
      break;
  }
  return u"%s";
}

TIdComponent::TIdComponent() {
  TIdStack::IncUsage();
}

TIdComponent::~TIdComponent() {
  // A watcher may unregister others while it is told; work on a copy.
  const std::vector<TIdComponent*> watchers = FFreeNotifies;
  FFreeNotifies.clear();
  for (TIdComponent* watcher : watchers) watcher->Notification(*this);
  TIdStack::DecUsage();
}

void TIdComponent::BeginWork(TWorkMode mode, std::int64_t size) {
  if (FWorkTarget != nullptr) {
    FWorkTarget->BeginWork(mode, size);
    return;
  }
  TWorkInfo& info = Info(mode);
  ++info.Level;
  if (info.Level != 1) return;
  info.CountMax = size;
  info.Count = 0;
  if (OnWorkBegin) OnWorkBegin(*this, mode, size);
}

void TIdComponent::DoWork(TWorkMode mode, std::int64_t count) {
  if (FWorkTarget != nullptr) {
    FWorkTarget->DoWork(mode, count);
    return;
  }
  TWorkInfo& info = Info(mode);
  if (info.Level < 1) return;
  info.Count += count;
  if (OnWork) OnWork(*this, mode, info.Count);
}

void TIdComponent::EndWork(TWorkMode mode) {
  if (FWorkTarget != nullptr) {
    FWorkTarget->EndWork(mode);
    return;
  }
  TWorkInfo& info = Info(mode);
  if (info.Level == 1 && OnWorkEnd) OnWorkEnd(*this, mode);
  // An end without a begin leaves the level at 0, so that the next begin still counts as outermost.
  if (info.Level > 0) --info.Level;
}

TIdWorkScope::~TIdWorkScope() noexcept(false) {
  const auto end = [this] { FComponent.EndWork(FMode); };
  if (std::uncaught_exceptions() > FUncaught) {
    CleanUpQuietly(end);
    return;
  }
  end();
}

void TIdComponent::NotifyStatus(TIdStatus status, std::initializer_list<FormatArg> arguments) {
  if (!OnStatus) return;
  const String text = arguments.size() == 0 ? Format(StatusTexts(status), {String()})
                                            : Format(StatusTexts(status), arguments);
  OnStatus(*this, status, text);
}

void TIdComponent::FreeNotification(TIdComponent& watcher) {
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), &watcher) == FFreeNotifies.end())
    FFreeNotifies.push_back(&watcher);
}

void TIdComponent::RemoveFreeNotification(TIdComponent& watcher) {
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), &watcher), FFreeNotifies.end());
}
