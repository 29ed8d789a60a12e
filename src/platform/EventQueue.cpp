#include "platform/EventQueue.h"

#include <algorithm>

namespace zolvex {

void EventQueue::WindowDestroyed() {
    hasWindow_ = false;
    timers_.clear();
}

std::vector<Message> EventQueue::TakeQueued(uint32_t message) {
    std::vector<Message> taken;
    for (auto it = messages_.begin(); it != messages_.end();) {
        if (it->message == message) {
            taken.push_back(*it);
            it = messages_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

void EventQueue::SetTimer(int id, uint32_t milliseconds, uint64_t now) {
    if (!hasWindow_) return;
    const uint32_t period = std::max<uint32_t>(milliseconds, 1);
    timers_[id] = Timer{period, now + period};
}

void EventQueue::KillTimer(int id) {
    timers_.erase(id);
}

std::optional<Message> EventQueue::Next(uint64_t now) {
    const auto stamp = static_cast<uint32_t>(now);
    while (!messages_.empty()) {
        Message m = messages_.front();
        messages_.pop_front();
        // The quit message belongs to the thread, not to the window that is gone.
        if (!hasWindow_ && m.message != kMsgQuit) continue;
        m.time = stamp;
        return m;
    }
    return NextTick(now);
}

std::optional<Message> EventQueue::NextTick(uint64_t now) {
    const auto stamp = static_cast<uint32_t>(now);
    auto due = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due <= now && (due == timers_.end() || it->second.due < due->second.due)) {
            due = it;
        }
    }
    if (due == timers_.end()) return std::nullopt;
    // Keep the rhythm of the period; a tick missed altogether is not made up.
    Timer& timer = due->second;
    const uint64_t next = timer.due + timer.period;
    timer.due = next > now ? next : now + timer.period;
    return Message{kMsgTimer, static_cast<uint32_t>(due->first), 0, stamp};
}

std::optional<uint64_t> EventQueue::EarliestDue() const {
    std::optional<uint64_t> earliest;
    for (const auto& [id, timer] : timers_) {
        if (!earliest || timer.due < *earliest) earliest = timer.due;
    }
    return earliest;
}

std::optional<uint64_t> EventQueue::SleepBefore(uint64_t now) const {
    const std::optional<uint64_t> due = EarliestDue();
    if (!due) return std::nullopt;
    return *due > now ? *due - now : 0;
}

std::optional<uint64_t> EventQueue::SleepJoiningTicks(uint64_t now) const {
    std::optional<uint64_t> wake;
    for (const auto& [id, timer] : timers_) {
        uint32_t shorter = 0;
        for (const auto& [otherId, other] : timers_) {
            if (other.period < timer.period && (shorter == 0 || other.period < shorter)) {
                shorter = other.period;
            }
        }
        // The shorter timer's own tick is in the minimum too: this one waits for it.
        const uint64_t at = timer.due + shorter;
        wake = std::min(wake.value_or(at), at);
    }
    if (!wake) return std::nullopt;
    return *wake > now ? *wake - now : 0;
}

std::optional<uint64_t> EventQueue::DueTime(int id) const {
    auto it = timers_.find(id);
    if (it == timers_.end()) return std::nullopt;
    return it->second.due;
}

std::map<int, uint32_t> EventQueue::RunningTimers() const {
    std::map<int, uint32_t> running;
    for (const auto& [id, timer] : timers_) running[id] = timer.period;
    return running;
}

}  // namespace zolvex
