// The seam where a game is recorded and played back. The scenes reach the machine
// through the journal, which passes every call on to the platform beneath it, and:
//   recording, keeps each message the program hands to the game (Record) and every
//   timer the game starts or stops, each with its time on the platform clock;
//   playing back, hands out the recorded messages instead of the platform's, on a clock
//   of its own (at once, or paced in real time with the watcher's controls), and holds
//   the game's timer calls to the recorded ones, so that a game that no longer follows
//   its recording is stopped at the message where it parts from it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "formats/ReplayFile.h"
#include "platform/Platform.h"

namespace zolvex {

// Messages only the journal hands out, numbered above the window system's.
enum : uint32_t {
    kMsgPlaybackEnded = 0x8011,    // the playback is over; Journal::Outcome says why
    kMsgPlaybackChanged = 0x8012,  // paused, resumed or sped up by the watcher
};

enum class PlaybackPace {
    AtOnce,    // every message as soon as it is asked for
    RealTime,  // at the recorded times (times the speed), with Space, Left, Right, Esc
};

struct PlaybackOutcome {
    enum class End { Finished, Stopped, Diverged };
    End end = End::Finished;
    // With Diverged: the message where the game parted from its recording (counted from
    // 1) and how.
    size_t message = 0;
    std::string what;
};

class Journal : public Platform {
public:
    static constexpr int kPaceTimer = 0x5A11;
    static constexpr int kMaxSpeed = 8;

    explicit Journal(Platform& platform) : platform_(platform) {}

    // Recording: from Begin to Finish, timer calls are kept; messages as Record is told.
    void BeginRecording();
    void Record(const Message& message);
    // The journal since BeginRecording; recording stops.
    std::vector<ReplayEvent> FinishRecording();
    bool Recording() const { return mode_ == Mode::Recording; }

    // Playback of `events` (a recording's journal) from now on.
    void BeginPlayback(std::vector<ReplayEvent> events, PlaybackPace pace);
    bool Playing() const { return mode_ == Mode::Playing; }
    // The game has handed over its result: the playback ends, and diverges when the
    // recording goes on beyond this point.
    void GameEnded();
    // Ends the playback at once, without a message.
    void StopPlayback() { mode_ = Mode::Off; }
    // How the last playback ended.
    const PlaybackOutcome& Outcome() const { return outcome_; }
    // The playback speed (1 to kMaxSpeed) and whether it is paused.
    int Speed() const { return speed_; }
    bool Paused() const { return paused_; }

    // Platform: passed on, but for the messages and timers and clock of a playback.
    bool CreateMainWindow(const std::string& title, WindowProc proc,
                          const WindowOptions& options) override {
        return platform_.CreateMainWindow(title, std::move(proc), options);
    }
    void ShowMainWindow() override { platform_.ShowMainWindow(); }
    void DestroyMainWindow() override { platform_.DestroyMainWindow(); }
    bool HasWindow() const override { return platform_.HasWindow(); }
    bool GetNextMessage(Message& out) override;
    void PostQuit(int exitCode) override;
    void ShowCursor(bool show) override { platform_.ShowCursor(show); }
    void SetTextInput(bool on) override { platform_.SetTextInput(on); }
    void ShowErrorBox(const std::string& caption, const std::string& text,
                      const std::string& detail) override {
        platform_.ShowErrorBox(caption, text, detail);
    }
    void OnDisplayLost(std::function<void()> hook) override {
        platform_.OnDisplayLost(std::move(hook));
    }
    void SetTimer(int id, uint32_t milliseconds) override;
    void KillTimer(int id) override;
    uint64_t NowMs() const override;
    int64_t CalendarTime() const override { return platform_.CalendarTime(); }
    void PresentChange(const uint16_t* pixels, int width, int height,
                       const FrameChange& change) override {
        platform_.PresentChange(pixels, width, height, change);
    }
    void Present(const uint16_t* pixels, int width, int height) override {
        platform_.Present(pixels, width, height);
    }
    void PlaySoundFile(const std::string& relativePath) override {
        platform_.PlaySoundFile(relativePath);
    }
    void Beep() override { platform_.Beep(); }
    void SetVolumes(int music, int effects) override { platform_.SetVolumes(music, effects); }
    void MusicOpen() override { platform_.MusicOpen(); }
    void MusicClose() override { platform_.MusicClose(); }
    uint32_t MusicLoad(const std::string& path) override { return platform_.MusicLoad(path); }
    void MusicInit(uint32_t handle) override { platform_.MusicInit(handle); }
    void MusicPlay(uint32_t handle) override { platform_.MusicPlay(handle); }
    void MusicPause() override { platform_.MusicPause(); }
    void MusicResume(uint32_t handle) override { platform_.MusicResume(handle); }
    void MusicStop() override { platform_.MusicStop(); }
    void MusicFree(uint32_t handle) override { platform_.MusicFree(handle); }
    std::string ExecutableDirectory() const override { return platform_.ExecutableDirectory(); }
    std::unique_ptr<FontRasterizer> CreateFontRasterizer() override {
        return platform_.CreateFontRasterizer();
    }

private:
    enum class Mode { Off, Recording, Playing };

    uint64_t Elapsed() const { return platform_.NowMs() - start_; }
    void Diverge(size_t message, std::string what);
    // Holds a timer call of the game to the next recorded event.
    void Expect(ReplayEvent::Kind kind, int id, uint32_t period);
    // Waits, in real time, until the playback clock reaches `time`. False with `out`
    // set when a message of the platform is to be handed out first.
    bool WaitUntil(uint64_t time, Message& out);
    // The playback clock now, on the platform's clock paced by the speed.
    uint64_t PlaybackClock() const;
    void Reanchor();
    Message Ended();

    Platform& platform_;
    Mode mode_ = Mode::Off;
    uint64_t start_ = 0;
    std::vector<ReplayEvent> events_;

    // Playback.
    PlaybackPace pace_ = PlaybackPace::AtOnce;
    size_t next_ = 0;
    size_t handed_ = 0;  // messages handed out
    uint64_t clock_ = 0;
    std::vector<int> running_;
    std::optional<PlaybackOutcome> ending_;
    PlaybackOutcome outcome_;
    int speed_ = 1;
    bool paused_ = false;
    uint64_t anchorReal_ = 0;
    uint64_t anchorPlayback_ = 0;
};

}  // namespace zolvex
