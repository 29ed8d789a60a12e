#include "scenes/Music.h"

#include "platform/Platform.h"

namespace zolvex {

int KBGMOpen(Platform& platform, int /*voices*/, int /*device*/) {
    platform.MusicOpen();
    return 1;
}

int KBGMClose(Platform& platform) {
    platform.MusicClose();
    return 1;
}

int KBGMLoadFile(Platform& platform, uint32_t* handle, const std::string& path) {
    uint32_t loaded = platform.MusicLoad(path);
    if (handle != nullptr) *handle = loaded;
    return loaded != 0 ? 1 : 0;
}

int KBGMInit(Platform& platform, uint32_t handle) {
    platform.MusicInit(handle);
    return 1;
}

int KBGMPlay(Platform& platform, uint32_t handle, int /*loop*/) {
    platform.MusicPlay(handle);
    return 1;
}

int KBGMPause(Platform& platform) {
    platform.MusicPause();
    return 1;
}

int KBGMResume(Platform& platform, uint32_t handle) {
    platform.MusicResume(handle);
    return 1;
}

int KBGMStop(Platform& platform) {
    platform.MusicStop();
    return 1;
}

int KBGMFree(Platform& platform, uint32_t handle) {
    platform.MusicFree(handle);
    return 1;
}

}  // namespace zolvex
