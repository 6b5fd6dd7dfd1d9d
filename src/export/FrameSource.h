// SPDX-License-Identifier: MIT
#pragma once

#include "export/ExportError.h"

#include <QImage>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace exporter {

struct ExportOptions;

// One frame as the export writes it: the composed canvas and how long it stays, in milliseconds.
struct Frame {
    QImage image;
    int index = 0;
    std::int64_t duration = 0;
};

// The frames of an animation file, composed as the picture-only view shows them: each frame's
// picture at its own size at the top left of a canvas as large as the largest picture.
//
// The constructor reads the file and checks every picture before anything is written, to name
// every unreadable one at once and to find the canvas size: PNG, JPEG and GIF by their headers,
// every other format by decoding it (keeping a few of those within a small byte budget). next()
// then hands the frames out in order while a worker thread decodes and composes a few frames
// ahead, so memory does not grow with the frame count.
class FrameSource {
public:
    // `stop` is polled between pictures; when it becomes true the source throws Interrupted.
    // `checked` is told how many pictures have been checked so far, out of pictureCount().
    // `evenSize` rounds the frame size up to even numbers (for video), filling with background.
    // Throws ExportError (BadInput) naming the animation, the frames and the cause.
    FrameSource(const ExportOptions& options, const std::atomic<bool>& stop, bool evenSize,
                const std::function<void(int checked, int total)>& checked = {});
    ~FrameSource();
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;

    QSize size() const { return m_size; }
    int frameCount() const { return static_cast<int>(m_paths.size()); }
    // Per frame, the picture's path as the animation gives it; empty: no picture.
    const std::vector<std::string>& framePaths() const { return m_paths; }
    // Milliseconds per frame: the rate, rounded as the playback timer rounds it.
    std::int64_t interval() const { return m_interval; }

    // The next frame, or false after the last one. Throws ExportError when a picture can no longer
    // be read (it changed since the check) or when stopped.
    bool next(Frame& frame);

    // What the decode-ahead holds at this moment: frames composed and waiting in the queue, frames
    // composed so far, and whether the worker waits for room (it then holds one more in hand).
    struct Ahead {
        std::size_t queued = 0;
        int composed = 0;
        bool waitingForRoom = false;
    };
    Ahead ahead() const;

    // The main window's face colour, on which the pictures stand unless told otherwise.
    static constexpr std::uint32_t defaultBackground = 0xefefef;

private:
    void refuseTooLarge(const ExportOptions& options, const std::vector<std::string>& files,
                        const std::vector<QSize>& sizes) const;
    QImage decode(int frame);
    QImage compose(const QImage& picture) const;
    void work();

    const std::atomic<bool>& m_stop;
    std::string m_animation;
    std::vector<std::string> m_paths;   // per frame; empty: no picture
    std::int64_t m_interval = 0;
    QSize m_size;
    double m_scale = 1;
    double m_offsetX = 0;
    double m_offsetY = 0;
    std::uint32_t m_background = defaultBackground;

    // Pictures kept from the check, each until the last frame that shows it has been composed.
    std::map<std::string, QImage> m_kept;
    std::map<std::string, int> m_lastUse;

    // Decode-ahead: the worker fills the queue up to its capacity, next() takes from it.
    static constexpr std::size_t queueCapacity = 3;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Frame> m_queue;
    int m_composed = 0;
    bool m_waitingForRoom = false;
    std::optional<ExportError> m_workerError;
    bool m_workerDone = false;
    bool m_closing = false;
    int m_nextToHand = 0;
    std::thread m_worker;
};

}
