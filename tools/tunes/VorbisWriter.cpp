#include "VorbisWriter.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace zolvex {

namespace {

void Append(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<uint8_t> EncodeVorbis(const std::vector<float>& samples,
                                  const VorbisEncoding& encoding) {
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, encoding.channels, encoding.rate, encoding.quality) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const auto& [key, value] : encoding.comments) {
        vorbis_comment_add_tag(&comment, key.c_str(), value.c_str());
    }
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(encoding.serial));

    ogg_packet identification, comments, setup;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &setup);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &setup);
    ogg_page page;
    // The headers end on a page of their own, as players expect.
    while (ogg_stream_flush(&stream, &page) != 0) Append(out, page);

    const size_t channels = static_cast<size_t>(encoding.channels);
    const size_t frames = samples.size() / channels;
    constexpr size_t kChunk = 4096;
    for (size_t at = 0;;) {
        const size_t count = std::min(kChunk, frames - at);
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);  // the end of the sound
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; ++i) {
                for (size_t c = 0; c < channels; ++c) {
                    buffer[c][i] = samples[(at + i) * channels + c];
                }
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            at += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) Append(out, page);
            }
        }
        if (count == 0) {
            while (ogg_stream_flush(&stream, &page) != 0) Append(out, page);
            break;
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

}  // namespace zolvex
