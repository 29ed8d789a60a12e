#include "platform/sdl/XWindowImage.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>

namespace zolvex {

struct XWindowImage::Shared {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool attached = false;
};

namespace {

bool attachFailed = false;

int NoteAttachFailure(Display* /*display*/, XErrorEvent* /*error*/) {
    attachFailed = true;
    return 0;
}

// The server shares memory only with programs on its own machine: a display named
// ":N" or "unix:N" (SDL's own rule for its window surface).
bool LocalDisplay(Display* display) {
    const char* name = DisplayString(display);
    return name != nullptr && (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0);
}

}  // namespace

XWindowImage::XWindowImage() = default;

XWindowImage::~XWindowImage() {
    Close();
}

bool XWindowImage::Open(SDL_Window* window, const SDL_Rect& place) {
    Close();
    const int width = place.w, height = place.h;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || width <= 0 || height <= 0 ||
        SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    auto shared = std::make_unique<Shared>();
    shared->display = info.info.x11.display;
    shared->window = info.info.x11.window;
    Display* display = shared->display;
    if (!LocalDisplay(display) || !XShmQueryExtension(display)) return false;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, shared->window, &attributes) == 0) return false;
    const Visual* visual = attributes.visual;
    if (attributes.depth != 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
        visual->blue_mask != 0xFF) {
        return false;
    }
    shared->image = XShmCreateImage(display, attributes.visual, attributes.depth, ZPixmap, nullptr,
                                    &shared->segment, width, height);
    auto drop = [&] {
        shared_ = std::move(shared);
        Close();
        return false;
    };
    if (shared->image == nullptr) return drop();
    XImage* image = shared->image;
    const bool littleEndian = SDL_BYTEORDER == SDL_LIL_ENDIAN;
    if (image->bits_per_pixel != 32 || image->bytes_per_line % 4 != 0 ||
        image->byte_order != (littleEndian ? LSBFirst : MSBFirst)) {
        return drop();
    }
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * image->height;
    // New shared memory comes filled with zeros: the image starts black.
    shared->segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shared->segment.shmid < 0) return drop();
    void* memory = shmat(shared->segment.shmid, nullptr, 0);
    if (reinterpret_cast<intptr_t>(memory) == -1) {
        shmctl(shared->segment.shmid, IPC_RMID, nullptr);
        return drop();
    }
    shared->segment.shmaddr = static_cast<char*>(memory);
    image->data = shared->segment.shmaddr;
    shared->segment.readOnly = True;
    // An attach the server refuses comes back as an error, not as the call's result:
    // one round trip, once, to hear of it.
    attachFailed = false;
    XErrorHandler previous = XSetErrorHandler(NoteAttachFailure);
    const bool attached = XShmAttach(display, &shared->segment) != 0;
    XSync(display, False);
    XSetErrorHandler(previous);
    // Marked for removal once both sides hold it: the segment goes when the last of the
    // game and the server lets go of it, however the game ends.
    shmctl(shared->segment.shmid, IPC_RMID, nullptr);
    if (!attached || attachFailed) return drop();
    shared->attached = true;
    shared->gc = XCreateGC(display, shared->window, 0, nullptr);
    if (shared->gc == nullptr) return drop();
    // Black where the window shows no image: the fill colour is pixel 0.
    XSetForeground(display, shared->gc, 0);
    pixels_ = reinterpret_cast<uint32_t*>(shared->segment.shmaddr);
    place_ = SDL_Rect{place.x, place.y, image->width, image->height};
    pitch_ = image->bytes_per_line / 4;
    shared_ = std::move(shared);
    return true;
}

void XWindowImage::Close() {
    if (shared_ != nullptr) {
        Shared& s = *shared_;
        if (s.attached) {
            XShmDetach(s.display, &s.segment);
            // The server must let go of the memory before it is unmapped here.
            XSync(s.display, False);
        }
        if (s.segment.shmaddr != nullptr) shmdt(s.segment.shmaddr);
        if (s.image != nullptr) {
            s.image->data = nullptr;  // the segment, not Xlib's to free
            XDestroyImage(s.image);
        }
        if (s.gc != nullptr) XFreeGC(s.display, s.gc);
        shared_.reset();
    }
    pixels_ = nullptr;
    place_ = SDL_Rect{0, 0, 0, 0};
    pitch_ = 0;
}

void XWindowImage::Put(const SDL_Rect* areas, int count) {
    if (shared_ == nullptr) return;
    Shared& s = *shared_;
    for (int i = 0; i < count; ++i) {
        const SDL_Rect& a = areas[i];
        if (a.w <= 0 || a.h <= 0) continue;
        XShmPutImage(s.display, s.window, s.gc, s.image, a.x, a.y, place_.x + a.x, place_.y + a.y,
                     static_cast<unsigned>(a.w), static_cast<unsigned>(a.h), False);
    }
    XFlush(s.display);
}

void XWindowImage::Blacken(const SDL_Rect* areas, int count) {
    if (shared_ == nullptr) return;
    Shared& s = *shared_;
    for (int i = 0; i < count; ++i) {
        const SDL_Rect& a = areas[i];
        if (a.w <= 0 || a.h <= 0) continue;
        XFillRectangle(s.display, s.window, s.gc, a.x, a.y, static_cast<unsigned>(a.w),
                       static_cast<unsigned>(a.h));
    }
    XFlush(s.display);
}

}  // namespace zolvex
