#include "FlacWriter.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace zolvex {

namespace {

// The file as the encoder writes it; it goes back to the start at the end to fill in
// the stream information and the seek table.
struct Sink {
    std::vector<uint8_t> bytes;
    size_t at = 0;
};

FLAC__StreamEncoderWriteStatus Write(const FLAC__StreamEncoder* /*encoder*/,
                                     const FLAC__byte buffer[], size_t bytes, uint32_t /*samples*/,
                                     uint32_t /*frame*/, void* data) {
    auto* sink = static_cast<Sink*>(data);
    if (sink->bytes.size() < sink->at + bytes) sink->bytes.resize(sink->at + bytes);
    std::memcpy(sink->bytes.data() + sink->at, buffer, bytes);
    sink->at += bytes;
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus Seek(const FLAC__StreamEncoder* /*encoder*/, FLAC__uint64 offset,
                                   void* data) {
    auto* sink = static_cast<Sink*>(data);
    if (offset > sink->bytes.size()) return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    sink->at = static_cast<size_t>(offset);
    return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder* /*encoder*/, FLAC__uint64* offset,
                                   void* data) {
    *offset = static_cast<Sink*>(data)->at;
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

struct EncoderDeleter {
    void operator()(FLAC__StreamEncoder* e) const { FLAC__stream_encoder_delete(e); }
};
struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* m) const { FLAC__metadata_object_delete(m); }
};
using Metadata = std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter>;

}  // namespace

std::vector<uint8_t> EncodeFlac(const std::vector<float>& samples, const FlacEncoding& encoding) {
    const auto channels = static_cast<size_t>(encoding.channels);
    const size_t frames = samples.size() / channels;
    std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter> encoder(FLAC__stream_encoder_new());
    Metadata comments(FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
    Metadata seekTable(FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE));
    if (!encoder || !comments || !seekTable || frames == 0) return {};
    for (const auto& [key, value] : encoding.comments) {
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, key.c_str(),
                                                                            value.c_str()) ||
            !FLAC__metadata_object_vorbiscomment_append_comment(comments.get(), entry, false)) {
            return {};
        }
    }
    // A point every ten seconds: a jump decodes from the frame before it.
    if (!FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
            seekTable.get(), static_cast<uint32_t>(encoding.rate) * 10, frames) ||
        !FLAC__metadata_object_seektable_template_sort(seekTable.get(), true)) {
        return {};
    }
    FLAC__StreamMetadata* blocks[] = {comments.get(), seekTable.get()};
    FLAC__StreamEncoder* e = encoder.get();
    if (!FLAC__stream_encoder_set_channels(e, static_cast<uint32_t>(encoding.channels)) ||
        !FLAC__stream_encoder_set_bits_per_sample(e, 16) ||
        !FLAC__stream_encoder_set_sample_rate(e, static_cast<uint32_t>(encoding.rate)) ||
        !FLAC__stream_encoder_set_compression_level(e, 5) ||
        !FLAC__stream_encoder_set_total_samples_estimate(e, frames) ||
        !FLAC__stream_encoder_set_metadata(e, blocks, 2)) {
        return {};
    }
    Sink sink;
    if (FLAC__stream_encoder_init_stream(e, Write, Seek, Tell, nullptr, &sink) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        return {};
    }
    constexpr size_t kChunk = 4096;
    std::vector<FLAC__int32> buffer;
    bool fine = true;
    for (size_t at = 0; at < frames && fine; at += kChunk) {
        const size_t count = std::min(kChunk, frames - at);
        buffer.resize(count * channels);
        for (size_t i = 0; i < buffer.size(); ++i) {
            const float s = std::clamp(samples[at * channels + i], -1.0F, 1.0F);
            buffer[i] = static_cast<FLAC__int32>(
                std::clamp(std::lround(s * 32767.0F), long{-32768}, long{32767}));
        }
        fine = FLAC__stream_encoder_process_interleaved(e, buffer.data(),
                                                        static_cast<uint32_t>(count)) != 0;
    }
    fine = FLAC__stream_encoder_finish(e) != 0 && fine;
    if (!fine) return {};
    return std::move(sink.bytes);
}

}  // namespace zolvex
