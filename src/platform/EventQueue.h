// The window's messages and timers with the window system's rules, written once
// for every backend. The caller knows the time: each call that depends on it is
// given `now`, in milliseconds of the caller's clock.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "platform/Platform.h"

namespace zolvex {

class EventQueue {
public:
    // The window exists from WindowCreated until WindowDestroyed. Without it timers
    // are not started, and queued messages other than kMsgQuit go nowhere.
    void WindowCreated() { hasWindow_ = true; }
    // Ends every timer.
    void WindowDestroyed();
    bool HasWindow() const { return hasWindow_; }

    // Queues a message behind the others; its time is stamped when it is taken.
    void Post(const Message& message) { messages_.push_back(message); }
    // Removes every queued message numbered `message` and returns them, oldest first.
    std::vector<Message> TakeQueued(uint32_t message);
    // True while a message is queued.
    bool HasQueued() const { return !messages_.empty(); }

    // Starts `id`, or restarts it with a fresh interval and the new period (at
    // least 1 ms): its first tick is due a whole period after `now`.
    void SetTimer(int id, uint32_t milliseconds, uint64_t now);
    // Stops `id`; a tick of it that is due is never delivered.
    void KillTimer(int id);

    // The message to take at `now`: the oldest queued one, else one tick of the
    // timer due earliest at or before `now` (the lowest id when several are due
    // at the same instant). A timer has at most one tick outstanding, so however
    // late it is taken it gives one tick; the next is due a period after this
    // one was, or a period after `now` when that is already past. Stamped with `now`.
    std::optional<Message> Next(uint64_t now);

    // The oldest due tick, as Next gives it when nothing is queued, however much is.
    std::optional<Message> NextTick(uint64_t now);

    // When the earliest tick is due; none while no timer runs.
    std::optional<uint64_t> EarliestDue() const;
    // How long a caller with nothing queued may sleep from `now` before a tick is
    // due (0 when one already is); none while no timer runs.
    std::optional<uint64_t> SleepBefore(uint64_t now) const;
    // Like SleepBefore, for a caller whose every wake costs: a tick of a timer that runs
    // beside one of a shorter period may wait for that timer's next tick, never longer
    // than that period, so that one wake serves both. Ticks still come in the order
    // they fell due (see NextTick), and each keeps its own rhythm.
    std::optional<uint64_t> SleepJoiningTicks(uint64_t now) const;
    // When the next tick of `id` is due; none when it does not run.
    std::optional<uint64_t> DueTime(int id) const;
    // The period of every running timer, by id.
    std::map<int, uint32_t> RunningTimers() const;

private:
    struct Timer {
        uint32_t period = 0;
        uint64_t due = 0;
    };

    bool hasWindow_ = false;
    std::deque<Message> messages_;
    std::map<int, Timer> timers_;
};

}  // namespace zolvex
