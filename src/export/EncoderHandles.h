// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <memory>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct WebPAnimEncoder;
struct liq_attr;
struct liq_image;
struct liq_result;

namespace exporter {

// The C libraries' handles an encoder holds, each owned by a unique_ptr from the line that makes
// it, so that whatever fails on the way frees what was made before. The deleters only release:
// a close whose result matters (the output file's) is done and checked by the encoder itself.
struct HandleDeleter {
    // Closes the file without looking at the result: only a failed export drops an open file.
    void operator()(std::FILE* file) const;
    void operator()(liq_attr* attr) const;
    void operator()(liq_image* image) const;
    void operator()(liq_result* result) const;
    void operator()(WebPAnimEncoder* encoder) const;
    // Also closes the output the context writes to, if one was opened.
    void operator()(AVFormatContext* format) const;
    void operator()(AVCodecContext* codec) const;
    void operator()(AVFrame* frame) const;
    void operator()(AVPacket* packet) const;
    void operator()(SwsContext* scaler) const;
};

template <typename T> using Handle = std::unique_ptr<T, HandleDeleter>;

}
