// SPDX-License-Identifier: MIT
#include "export/FrameSource.h"

#include "anifile/Excerpt.h"
#include "dialogs/AnimationFile.h"
#include "export/ExportError.h"
#include "export/ExportOptions.h"
#include "forms/Error.h"
#include "pictures/DecoderPool.h"

#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <system_error>

namespace exporter {

namespace {

// How often waits look at the stop flag.
constexpr auto stopPoll = std::chrono::milliseconds(50);

// Pictures kept from the check for the stream, so that short animations are decoded only once.
constexpr qsizetype keptBudget = qsizetype(64) * 1024 * 1024;

ExportError badInput(const std::string& message)
{
    return ExportError(ExportError::Kind::BadInput, "The animation was not exported: " + message);
}

// The window's checked decode: regular files only, the checks before decoding, the time bound.
// Its decodes run on threads it leaves, so nothing is joined when the process ends.
pictures::DecoderPool& decoders()
{
    static pictures::DecoderPool pool;
    return pool;
}

// A cause as Open words it, naming the file.
std::string cannotRead(const std::string& path, const pictures::PictureError& error)
{
    return "cannot read " + path + ": " + error.message();
}

// 35651584 as "35,651,584".
std::string grouped(std::int64_t number)
{
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string sizeText(QSize size)
{
    return std::to_string(size.width()) + " x " + std::to_string(size.height());
}

struct Checked {
    QSize size;
    QImage image;
    std::string error;
};

}

FrameSource::FrameSource(const ExportOptions& options, const std::atomic<bool>& stop, bool evenSize,
                         const std::function<void(int, int)>& checked)
    : m_stop(stop)
    , m_animation(options.animation)
{
    movelle::AnimationFile file;
    try {
        file = movelle::AnimationFile::read(options.animation);
    } catch (const forms::Error& e) {
        throw badInput(e.what());
    }
    if (file.frames == 0)
        throw badInput(options.animation + " has no frames.");
    if (file.rateText.empty())
        throw badInput("the rate is empty in " + options.animation + ", so the animation has no speed.");
    if (file.interval == 0) {
        // The playback timer does not run at an interval of 0, so the animation has no speed.
        throw badInput("the rate " + file.rateText + " in " + options.animation
                       + " rounds to 0 milliseconds per picture, which never plays.");
    }
    m_interval = file.interval;
    for (const auto& line : file.paths)
        m_paths.push_back(line.value_or(std::string()));

    // One check per file, however many frames show it, on as many threads as there are cores.
    std::vector<std::string> files;
    std::map<std::string, std::size_t> fileIndex;
    for (int i = 0; i < frameCount(); ++i) {
        const std::string& path = m_paths[static_cast<std::size_t>(i)];
        if (path.empty())
            continue;
        if (fileIndex.emplace(path, files.size()).second)
            files.push_back(path);
        m_lastUse[path] = i;
    }
    std::vector<Checked> results(files.size());
    std::atomic<std::size_t> nextFile { 0 };
    std::atomic<int> done { 0 };
    std::atomic<qsizetype> keptBytes { 0 };
    std::mutex reportMutex;
    const pictures::DecoderPool::Cancel stopped = [this] { return m_stop.load(); };
    auto check = [&] {
        for (std::size_t k = nextFile++; k < files.size() && !m_stop; k = nextFile++) {
            // PNG, JPEG and GIF state their size in a header, and the picture path decodes them to
            // exactly that size: they are checked, not decoded, here, so that no frame is decoded
            // twice. Every other format is decoded to learn its size, and kept for the stream while
            // the budget allows.
            pictures::Result<pictures::DecoderPool::Inspected> inspected
                = decoders().inspect(QString::fromStdString(files[k]), stopped);
            if (!inspected) {
                results[k].error = cannotRead(files[k], inspected.error());
            } else {
                results[k].size = inspected.value().size;
                QImage& image = inspected.value().image;
                const qsizetype bytes = image.sizeInBytes();
                if (!image.isNull() && keptBytes.fetch_add(bytes) + bytes <= keptBudget)
                    results[k].image = std::move(image);
                else if (!image.isNull())
                    keptBytes -= bytes;
            }
            const int count = ++done;
            if (checked) {
                std::lock_guard lock(reportMutex);
                checked(count, static_cast<int>(files.size()));
            }
        }
    };
    {
        const unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), 8u));
        std::vector<std::jthread> helpers;
        for (unsigned t = 1; t < threads && t < files.size(); ++t) {
            try {
                helpers.emplace_back(check);
            } catch (const std::system_error&) {
                break;
            }
        }
        check();
    }
    if (m_stop)
        throw ExportError(ExportError::Kind::Interrupted, "interrupted");

    // Every unreadable file, with the frames that show it, in one message as Open gives it.
    std::vector<std::vector<int>> framesOfFile(files.size());
    std::vector<std::size_t> failedInOrder;
    int failedFrames = 0;
    for (int i = 0; i < frameCount(); ++i) {
        const std::string& path = m_paths[static_cast<std::size_t>(i)];
        if (path.empty())
            continue;
        const std::size_t k = fileIndex[path];
        if (results[k].error.empty())
            continue;
        if (framesOfFile[k].empty())
            failedInOrder.push_back(k);
        framesOfFile[k].push_back(i);
        ++failedFrames;
    }
    std::string failures;
    for (std::size_t k : failedInOrder)
        failures += "\n" + movelle::AnimationFile::framesPhrase(framesOfFile[k]) + ": " + results[k].error;
    if (!failures.empty()) {
        throw badInput("the " + (failedFrames == 1 ? std::string("picture of 1 frame")
                                                   : "pictures of " + std::to_string(failedFrames) + " frames")
                       + " of " + options.animation + " cannot be read." + failures);
    }

    QSize canvas(0, 0);
    std::vector<QSize> sizes;
    for (std::size_t k = 0; k < files.size(); ++k) {
        canvas = canvas.expandedTo(results[k].size);
        sizes.push_back(results[k].size);
        if (!results[k].image.isNull())
            m_kept.emplace(files[k], std::move(results[k].image));
    }
    if (canvas.isEmpty() && !options.width)
        throw badInput("no frame of " + options.animation + " has a picture, so the frames have no size.");

    m_size = canvas;
    if (options.scale) {
        m_scale = *options.scale;
        m_size = QSize(std::max(1, static_cast<int>(std::lround(canvas.width() * m_scale))),
                       std::max(1, static_cast<int>(std::lround(canvas.height() * m_scale))));
    } else if (options.width) {
        m_size = QSize(*options.width, *options.height);
        if (!canvas.isEmpty()) {
            m_scale = std::min(double(m_size.width()) / canvas.width(), double(m_size.height()) / canvas.height());
            m_offsetX = (m_size.width() - canvas.width() * m_scale) / 2;
            m_offsetY = (m_size.height() - canvas.height() * m_scale) / 2;
        }
    }
    if (evenSize)
        m_size = QSize((m_size.width() + 1) & ~1, (m_size.height() + 1) & ~1);
    refuseTooLarge(options, files, sizes);
    if (options.background)
        m_background = *options.background;
}

// Frames beyond what the output can hold are refused before any work, naming the pictures that
// make them so large: a picture of a few bytes can declare a side of 16,384 pixels.
void FrameSource::refuseTooLarge(const ExportOptions& options, const std::vector<std::string>& files,
                                 const std::vector<QSize>& sizes) const
{
    const FrameLimits limits = frameLimits(options.kind);
    const std::int64_t width = m_size.width();
    const std::int64_t height = m_size.height();
    if (width <= limits.maxSide && height <= limits.maxSide && width * height <= limits.maxPixels)
        return;

    std::string message = "its frames would be " + sizeText(m_size) + " pixels, too large for " + limits.format
        + " (at most " + grouped(limits.maxSide) + " pixels a side and " + grouped(limits.maxPixels) + " in all). ";
    if (options.width) {
        message += "That is the size --size asks for.";
    } else {
        std::size_t widest = 0;
        std::size_t tallest = 0;
        for (std::size_t k = 0; k < sizes.size(); ++k) {
            if (sizes[k].width() > sizes[widest].width())
                widest = k;
            if (sizes[k].height() > sizes[tallest].height())
                tallest = k;
        }
        auto picture = [&](std::size_t k) {
            const auto frame = std::find(m_paths.begin(), m_paths.end(), files[k]) - m_paths.begin();
            return anifile::excerpt(files[k], 120) + " (" + sizeText(sizes[k]) + ", "
                + movelle::AnimationFile::framesPhrase({ static_cast<int>(frame) }) + ")";
        };
        message += widest == tallest ? "The size comes from the picture " + picture(widest)
                                     : "The size comes from the widest picture, " + picture(widest)
                                           + ", and the tallest, " + picture(tallest);
        message += options.scale ? " times --scale." : ".";
    }
    // The largest frames of the same proportions that fit.
    const double fit = std::min({ double(limits.maxSide) / double(width), double(limits.maxSide) / double(height),
                                  std::sqrt(double(limits.maxPixels) / (double(width) * double(height))) });
    const int w = std::max(1, static_cast<int>(std::floor(double(width) * fit)) & ~1);
    const int h = std::max(1, static_cast<int>(std::floor(double(height) * fit)) & ~1);
    throw badInput(message + " Give a smaller size, such as --size " + std::to_string(w) + "x" + std::to_string(h)
                   + ".");
}

FrameSource::~FrameSource()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

QImage FrameSource::decode(int frame)
{
    const std::string& path = m_paths[static_cast<std::size_t>(frame)];
    QImage picture;
    auto kept = m_kept.find(path);
    if (kept != m_kept.end()) {
        picture = kept->second;
    } else {
        pictures::Result<QImage> read
            = decoders().decodeFile(QString::fromStdString(path), [this] { return m_stop.load(); });
        if (!read) {
            throw badInput("the picture of " + movelle::AnimationFile::framesPhrase({ frame }) + " of " + m_animation
                           + " cannot be read any more: " + cannotRead(path, read.error()));
        }
        picture = std::move(read).value();
    }
    if (m_lastUse[path] == frame)
        m_kept.erase(path);
    return picture;
}

QImage FrameSource::compose(const QImage& picture) const
{
    // An opaque picture that covers the whole canvas at its own size is the frame already.
    if (!picture.isNull() && picture.size() == m_size && picture.format() == QImage::Format_RGB32 && m_scale == 1
        && m_offsetX == 0 && m_offsetY == 0)
        return picture;
    QImage canvas(m_size, QImage::Format_RGB32);
    if (canvas.isNull())
        throw ExportError(ExportError::Kind::Output, "not enough memory for frames of this size");
    canvas.fill(QColor::fromRgb(m_background));
    if (picture.isNull())
        return canvas;
    QPainter painter(&canvas);
    if (m_scale == 1 && m_offsetX == 0 && m_offsetY == 0) {
        painter.drawImage(0, 0, picture);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(m_offsetX, m_offsetY, picture.width() * m_scale, picture.height() * m_scale), picture);
    }
    return canvas;
}

void FrameSource::work()
{
    QImage previousImage;
    std::string previousPath;
    for (int i = 0; i < frameCount() && !m_stop; ++i) {
        Frame frame;
        frame.index = i;
        frame.duration = m_interval;
        try {
            const std::string& path = m_paths[static_cast<std::size_t>(i)];
            // Frames that repeat the frame before them share its composed canvas.
            if (i > 0 && path == previousPath) {
                frame.image = previousImage;
                // No decode, but a picture kept from the check is let go after its last frame.
                if (!path.empty() && m_lastUse[path] == i)
                    m_kept.erase(path);
            } else {
                frame.image = compose(path.empty() ? QImage() : decode(i));
            }
            previousImage = frame.image;
            previousPath = path;
        } catch (const ExportError& e) {
            std::lock_guard lock(m_mutex);
            m_workerError = e;
            m_workerDone = true;
            m_changed.notify_all();
            return;
        } catch (const std::exception& e) {
            std::lock_guard lock(m_mutex);
            m_workerError = ExportError(ExportError::Kind::Output, std::string("frame ") + std::to_string(i + 1) + ": " + e.what());
            m_workerDone = true;
            m_changed.notify_all();
            return;
        }
        std::unique_lock lock(m_mutex);
        ++m_composed;
        m_waitingForRoom = true;
        // A stop comes from a signal handler, which cannot notify: look at it now and then.
        while (!m_changed.wait_for(lock, stopPoll, [this] { return m_closing || m_queue.size() < queueCapacity; })) {
            if (m_stop)
                break;
        }
        m_waitingForRoom = false;
        if (m_closing || m_stop)
            break;
        m_queue.push_back(std::move(frame));
        m_changed.notify_all();
    }
    std::lock_guard lock(m_mutex);
    m_workerDone = true;
    m_changed.notify_all();
}

FrameSource::Ahead FrameSource::ahead() const
{
    std::lock_guard lock(m_mutex);
    return { m_queue.size(), m_composed, m_waitingForRoom };
}

bool FrameSource::next(Frame& frame)
{
    if (m_stop)
        throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    if (m_nextToHand >= frameCount())
        return false;
    if (!m_worker.joinable())
        m_worker = std::thread([this] { work(); });
    std::unique_lock lock(m_mutex);
    while (!m_changed.wait_for(lock, stopPoll, [this] { return !m_queue.empty() || m_workerDone; })) {
        if (m_stop)
            throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    }
    if (m_queue.empty() && m_stop)
        throw ExportError(ExportError::Kind::Interrupted, "interrupted");
    if (m_queue.empty()) {
        throw m_workerError.value_or(ExportError(ExportError::Kind::BadInput, "the frames ended early"));
    }
    frame = std::move(m_queue.front());
    m_queue.pop_front();
    ++m_nextToHand;
    m_changed.notify_all();
    return true;
}

}
