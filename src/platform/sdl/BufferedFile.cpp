#include "platform/sdl/BufferedFile.h"

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace zolvex {

namespace {

constexpr size_t kBufferBytes = size_t{64} * 1024;

struct BufferedFile {
    std::FILE* file = nullptr;
    Sint64 size = 0;
    Sint64 position = 0;
    // The bytes of [start, start + buffer.size()).
    std::vector<uint8_t> buffer;
    Sint64 start = 0;
};

BufferedFile* Of(SDL_RWops* stream) {
    return static_cast<BufferedFile*>(stream->hidden.unknown.data1);
}

Sint64 SDLCALL Size(SDL_RWops* stream) {
    return Of(stream)->size;
}

Sint64 SDLCALL Seek(SDL_RWops* stream, Sint64 offset, int whence) {
    BufferedFile* f = Of(stream);
    Sint64 base = 0;
    if (whence == RW_SEEK_CUR) base = f->position;
    if (whence == RW_SEEK_END) base = f->size;
    if (whence != RW_SEEK_SET && whence != RW_SEEK_CUR && whence != RW_SEEK_END) {
        return SDL_SetError("unknown seek origin");
    }
    if (base + offset < 0) return SDL_SetError("seek before the start of the file");
    f->position = base + offset;
    return f->position;
}

size_t SDLCALL Read(SDL_RWops* stream, void* to, size_t size, size_t count) {
    BufferedFile* f = Of(stream);
    if (size == 0 || count == 0) return 0;
    const size_t bytes = count > SIZE_MAX / 2 / size ? SIZE_MAX / 2 : size * count;
    const auto wanted = static_cast<Sint64>(bytes);
    const Sint64 available = std::max<Sint64>(0, std::min(wanted, f->size - f->position));
    auto* out = static_cast<uint8_t*>(to);
    Sint64 done = 0;
    while (done < available) {
        const Sint64 at = f->position + done;
        if (at < f->start || at >= f->start + static_cast<Sint64>(f->buffer.size())) {
            f->buffer.resize(kBufferBytes);
            const ssize_t got = pread(fileno(f->file), f->buffer.data(), kBufferBytes, at);
            f->buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
            f->start = at;
            if (got <= 0) break;
        }
        const Sint64 offset = at - f->start;
        const Sint64 n = std::min(available - done, static_cast<Sint64>(f->buffer.size()) - offset);
        std::memcpy(out + done, f->buffer.data() + offset, static_cast<size_t>(n));
        done += n;
    }
    // As stdio's fread: whole items are counted, every byte read is passed.
    f->position += done;
    return static_cast<size_t>(done) / size;
}

size_t SDLCALL Write(SDL_RWops* /*stream*/, const void* /*from*/, size_t /*size*/,
                     size_t /*count*/) {
    SDL_SetError("a tune's file is read only");
    return 0;
}

int SDLCALL Close(SDL_RWops* stream) {
    BufferedFile* f = Of(stream);
    std::fclose(f->file);
    delete f;
    SDL_FreeRW(stream);
    return 0;
}

}  // namespace

SDL_RWops* StreamFromFile(std::FILE* file) {
    struct stat status = {};
    SDL_RWops* stream = nullptr;
    if (fstat(fileno(file), &status) != 0 || (stream = SDL_AllocRW()) == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    auto* f = new BufferedFile;
    f->file = file;
    f->size = static_cast<Sint64>(status.st_size);
    stream->type = SDL_RWOPS_UNKNOWN;
    stream->size = Size;
    stream->seek = Seek;
    stream->read = Read;
    stream->write = Write;
    stream->close = Close;
    stream->hidden.unknown.data1 = f;
    return stream;
}

}  // namespace zolvex
