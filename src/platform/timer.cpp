#include "platform/timer.h"

#include <map>

#include "platform/handles.h"

namespace ozl::platform {
namespace {

std::map<UINT_PTR, Timer*>& Running() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}

}  // namespace

Timer::Timer(UINT interval_ms, std::function<void()> on_tick)
    : interval_ms_(interval_ms), on_tick_(std::move(on_tick)) {}

Timer::~Timer() { Stop(); }

void Timer::Start() {
  if (id_) return;
  id_ = SetTimer(nullptr, 0, interval_ms_, &Timer::Tick);
  if (!id_) return;
  Running()[id_] = this;
  LiveObjects::Taken(LiveKind::kTimer);
}

void Timer::Stop() {
  if (!id_) return;
  KillTimer(nullptr, id_);
  Running().erase(id_);
  LiveObjects::Gone(LiveKind::kTimer);
  id_ = 0;
}

void CALLBACK Timer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  const auto found = Running().find(id);
  if (found != Running().end() && found->second->on_tick_) found->second->on_tick_();
}

}  // namespace ozl::platform
