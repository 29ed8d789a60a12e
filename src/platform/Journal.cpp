#include "platform/Journal.h"

#include <algorithm>
#include <climits>

namespace zolvex {

namespace {

ReplayEvent EventOf(const Message& m) {
    ReplayEvent e;
    e.code = m.wParam;
    e.extra = m.lParam;
    switch (m.message) {
        case kMsgKeyDown:
        case kMsgKeyUp:
            e.kind =
                m.message == kMsgKeyDown ? ReplayEvent::Kind::KeyDown : ReplayEvent::Kind::KeyUp;
            return e;
        case kMsgActivateApp:
            if (m.wParam > 1 || m.lParam != 0) break;
            e.kind = ReplayEvent::Kind::Focus;
            return e;
        case kMsgTimer:
            if (m.wParam > INT32_MAX || m.lParam != 0) break;
            e.kind = ReplayEvent::Kind::Tick;
            e.id = static_cast<int32_t>(m.wParam);
            e.code = 0;
            return e;
        default:
            break;
    }
    e.kind = ReplayEvent::Kind::Other;
    e.code = m.message;
    // A parameter beyond the journal's range is kept as its lowest 31 bits.
    e.id = static_cast<int32_t>(m.wParam & INT32_MAX);
    return e;
}

Message MessageOf(const ReplayEvent& e) {
    switch (e.kind) {
        case ReplayEvent::Kind::KeyDown:
            return Message{kMsgKeyDown, e.code, e.extra, 0};
        case ReplayEvent::Kind::KeyUp:
            return Message{kMsgKeyUp, e.code, e.extra, 0};
        case ReplayEvent::Kind::Focus:
            return Message{kMsgActivateApp, e.code, 0, 0};
        case ReplayEvent::Kind::Tick:
            return Message{kMsgTimer, static_cast<uint32_t>(e.id), 0, 0};
        default:
            return Message{e.code, static_cast<uint32_t>(e.id), e.extra, 0};
    }
}

std::string Describe(ReplayEvent::Kind kind, int id, uint32_t period) {
    const std::string timer = "timer " + std::to_string(id);
    if (kind == ReplayEvent::Kind::SetTimer) {
        return "starting " + timer + " (" + std::to_string(period) + " ms)";
    }
    if (kind == ReplayEvent::Kind::KillTimer) return "stopping " + timer;
    return "a message";
}

}  // namespace

void Journal::BeginRecording() {
    mode_ = Mode::Recording;
    events_.clear();
    start_ = platform_.NowMs();
}

void Journal::Record(const Message& message) {
    if (mode_ != Mode::Recording) return;
    ReplayEvent e = EventOf(message);
    // Message times are the platform clock's lowest 32 bits.
    e.time = static_cast<uint32_t>(message.time - static_cast<uint32_t>(start_));
    events_.push_back(e);
}

std::vector<ReplayEvent> Journal::FinishRecording() {
    mode_ = Mode::Off;
    return std::move(events_);
}

void Journal::BeginPlayback(std::vector<ReplayEvent> events, PlaybackPace pace) {
    mode_ = Mode::Playing;
    events_ = std::move(events);
    pace_ = pace;
    start_ = platform_.NowMs();
    next_ = 0;
    handed_ = 0;
    clock_ = 0;
    running_.clear();
    ending_.reset();
    outcome_ = PlaybackOutcome{};
    speed_ = 1;
    paused_ = false;
    anchorReal_ = start_;
    anchorPlayback_ = 0;
}

void Journal::Diverge(size_t message, std::string what) {
    if (ending_) return;
    ending_ = PlaybackOutcome{PlaybackOutcome::End::Diverged, message, std::move(what)};
}

Message Journal::Ended() {
    mode_ = Mode::Off;
    outcome_ = ending_.value_or(PlaybackOutcome{});
    ending_.reset();
    platform_.KillTimer(kPaceTimer);
    return Message{kMsgPlaybackEnded, 0, 0, static_cast<uint32_t>(platform_.NowMs())};
}

void Journal::GameEnded() {
    if (mode_ != Mode::Playing) return;
    if (next_ < events_.size()) {
        Diverge(handed_, "the game ended here, but its recording goes on for " +
                             std::to_string(events_.size() - next_) + " more events");
    }
    Ended();
}

bool Journal::GetNextMessage(Message& out) {
    if (mode_ != Mode::Playing) return platform_.GetNextMessage(out);
    if (!ending_ && next_ < events_.size()) {
        const ReplayEvent& e = events_[next_];
        if (e.kind == ReplayEvent::Kind::SetTimer || e.kind == ReplayEvent::Kind::KillTimer) {
            Diverge(handed_, "the recording has the game " + Describe(e.kind, e.id, e.period) +
                                 ", which it did not do");
        }
    }
    if (!ending_ && next_ == events_.size()) {
        Diverge(handed_ + 1, "the recording ends here, but the game goes on");
    }
    if (ending_) {
        out = Ended();
        return true;
    }
    const ReplayEvent& e = events_[next_];
    if (pace_ == PlaybackPace::RealTime && !WaitUntil(e.time, out)) return true;
    clock_ = e.time;
    ++next_;
    ++handed_;
    if (e.kind == ReplayEvent::Kind::Tick &&
        std::find(running_.begin(), running_.end(), e.id) == running_.end()) {
        Diverge(handed_,
                "a tick of timer " + std::to_string(e.id) + ", which the game does not run");
        out = Ended();
        return true;
    }
    out = MessageOf(e);
    out.time = static_cast<uint32_t>(start_ + clock_);
    return true;
}

void Journal::PostQuit(int exitCode) {
    if (mode_ == Mode::Playing) {
        // The window is going: the playback ends with the run.
        ending_ = PlaybackOutcome{PlaybackOutcome::End::Stopped, handed_, ""};
        Ended();
    }
    platform_.PostQuit(exitCode);
}

void Journal::SetTimer(int id, uint32_t milliseconds) {
    if (mode_ == Mode::Playing) return Expect(ReplayEvent::Kind::SetTimer, id, milliseconds);
    if (mode_ == Mode::Recording) {
        ReplayEvent e;
        e.kind = ReplayEvent::Kind::SetTimer;
        e.id = id;
        e.period = milliseconds;
        e.time = Elapsed();
        events_.push_back(e);
    }
    platform_.SetTimer(id, milliseconds);
}

void Journal::KillTimer(int id) {
    if (mode_ == Mode::Playing) return Expect(ReplayEvent::Kind::KillTimer, id, 0);
    if (mode_ == Mode::Recording) {
        ReplayEvent e;
        e.kind = ReplayEvent::Kind::KillTimer;
        e.id = id;
        e.time = Elapsed();
        events_.push_back(e);
    }
    platform_.KillTimer(id);
}

void Journal::Expect(ReplayEvent::Kind kind, int id, uint32_t period) {
    if (ending_) return;
    if (next_ < events_.size()) {
        const ReplayEvent& e = events_[next_];
        if (e.kind == kind && e.id == id &&
            (kind != ReplayEvent::Kind::SetTimer || e.period == period)) {
            ++next_;
            auto it = std::find(running_.begin(), running_.end(), id);
            if (kind == ReplayEvent::Kind::SetTimer && it == running_.end()) running_.push_back(id);
            if (kind == ReplayEvent::Kind::KillTimer && it != running_.end()) running_.erase(it);
            return;
        }
        const bool call =
            e.kind == ReplayEvent::Kind::SetTimer || e.kind == ReplayEvent::Kind::KillTimer;
        Diverge(handed_, "the game is " + Describe(kind, id, period) + " where the recording has " +
                             (call ? Describe(e.kind, e.id, e.period) : "the next message"));
        return;
    }
    Diverge(handed_, "the game is " + Describe(kind, id, period) + " after its recording ended");
}

uint64_t Journal::NowMs() const {
    return mode_ == Mode::Playing ? start_ + clock_ : platform_.NowMs();
}

uint64_t Journal::PlaybackClock() const {
    if (paused_) return anchorPlayback_;
    return anchorPlayback_ + (platform_.NowMs() - anchorReal_) * static_cast<uint64_t>(speed_);
}

void Journal::Reanchor() {
    anchorPlayback_ = PlaybackClock();
    anchorReal_ = platform_.NowMs();
}

bool Journal::WaitUntil(uint64_t time, Message& out) {
    for (;;) {
        if (paused_) {
            platform_.KillTimer(kPaceTimer);
        } else {
            const uint64_t now = PlaybackClock();
            if (now >= time) {
                platform_.KillTimer(kPaceTimer);
                return true;
            }
            const uint64_t speed = static_cast<uint64_t>(speed_);
            platform_.SetTimer(kPaceTimer, static_cast<uint32_t>(std::min<uint64_t>(
                                               (time - now + speed - 1) / speed, UINT32_MAX)));
        }
        Message live;
        if (!platform_.GetNextMessage(live)) {
            ending_ = PlaybackOutcome{PlaybackOutcome::End::Stopped, handed_, ""};
            out = Ended();
            return false;
        }
        if (live.message == kMsgTimer && live.wParam == kPaceTimer) continue;
        if (live.message == kMsgKeyUp || live.message == kMsgActivateApp) continue;
        if (live.message != kMsgKeyDown) {
            // The close command, the quit, the program's own timers.
            out = live;
            return false;
        }
        switch (live.wParam) {
            case kVkSpace:
                Reanchor();
                paused_ = !paused_;
                break;
            case kVkRight:
                Reanchor();
                speed_ = std::min(speed_ * 2, kMaxSpeed);
                break;
            case kVkLeft:
                Reanchor();
                speed_ = std::max(speed_ / 2, 1);
                break;
            case kVkEscape:
                ending_ = PlaybackOutcome{PlaybackOutcome::End::Stopped, handed_, ""};
                out = Ended();
                return false;
            default:
                // The watcher's other keys never reach the game.
                continue;
        }
        out = Message{kMsgPlaybackChanged, 0, 0, static_cast<uint32_t>(platform_.NowMs())};
        return false;
    }
}

}  // namespace zolvex
