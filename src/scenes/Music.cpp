#include "scenes/Music.h"

#include "platform/Platform.h"

namespace zolvex {

int KBGMOpen(int /*voices*/, int /*device*/) {
    GetPlatform().MusicOpen();
    return 1;
}

int KBGMClose() {
    GetPlatform().MusicClose();
    return 1;
}

int KBGMLoadFile(uint32_t* handle, const std::string& path) {
    uint32_t loaded = GetPlatform().MusicLoad(path);
    if (handle != nullptr) *handle = loaded;
    return loaded != 0 ? 1 : 0;
}

int KBGMInit(uint32_t handle) {
    GetPlatform().MusicInit(handle);
    return 1;
}

int KBGMPlay(uint32_t handle, int /*loop*/) {
    GetPlatform().MusicPlay(handle);
    return 1;
}

int KBGMPause() {
    GetPlatform().MusicPause();
    return 1;
}

int KBGMResume(uint32_t handle) {
    GetPlatform().MusicResume(handle);
    return 1;
}

int KBGMStop() {
    GetPlatform().MusicStop();
    return 1;
}

int KBGMFree(uint32_t handle) {
    GetPlatform().MusicFree(handle);
    return 1;
}

}  // namespace zolvex
