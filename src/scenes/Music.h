// The music operations the scenes call, on the program's platform. A tune handle is
// written into the scene's `music` field; 0 means no tune. When music is off (never
// opened) every call does nothing, and freeing handle 0 or stopping silence is harmless.
#pragma once

#include <cstdint>
#include <string>

namespace zolvex {

class Platform;

int KBGMOpen(Platform& platform, int voices,
             int device);           // makes the music ready; start-up, when on
int KBGMClose(Platform& platform);  // shuts music down; teardown, always
int KBGMLoadFile(Platform& platform, uint32_t* handle,
                 const std::string& path);          // loads a MIDI tune
int KBGMInit(Platform& platform, uint32_t handle);  // prepares a loaded tune
int KBGMPlay(Platform& platform, uint32_t handle,
             int loop);             // plays the tune from its start, looping
int KBGMPause(Platform& platform);  // pauses the tune playing
int KBGMResume(Platform& platform,
               uint32_t handle);   // goes on with a paused tune; restarts a stopped one
int KBGMStop(Platform& platform);  // silences all music
int KBGMFree(Platform& platform, uint32_t handle);  // releases a tune

}  // namespace zolvex
