// SPDX-License-Identifier: MIT
#include "pictures/MetafilePlayer.h"

#include "pictures/EmfPlayer.h"
#include "pictures/MetafileCanvas.h"
#include "pictures/MetafileCheck.h"
#include "pictures/PictureMemory.h"
#include "pictures/RecordBytes.h"
#include "pictures/WmfPlayer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <new>

namespace pictures {

namespace {

using Header = MetafileCheck::Header;

bool replay(std::span<const std::uint8_t> data, const Header& checked, MetafileCanvas& canvas,
    std::chrono::steady_clock::time_point deadline)
{
    return checked.kind == MetafileCheck::Kind::Emf ? EmfPlayer::play(data, checked, canvas, deadline)
                                                    : WmfPlayer::play(data, checked, canvas, deadline);
}

Result<QImage> play(std::span<const std::uint8_t> data, const Limits& limits, const MetafilePlayer::Bounds& bounds)
{
    const Result<Header> verdict = MetafileCheck::check(data);
    if (!verdict)
        return verdict.error();
    const Header& checked = verdict.value();
    std::int64_t width = checked.width;
    std::int64_t height = checked.height;
    const auto deadline = std::chrono::steady_clock::now() + bounds.time;

    MetafileCanvas::Setup setup;
    setup.flavour = checked.kind == MetafileCheck::Kind::Emf ? MetafileCanvas::Flavour::Emf
                                                             : MetafileCanvas::Flavour::Wmf;
    setup.frame = QRectF(checked.frame.left, checked.frame.top, checked.frame.width, checked.frame.height);
    if (checked.kind == MetafileCheck::Kind::Emf) {
        // The reference device: pixels and millimetres, for the metric mapping modes.
        const RecordBytes header(data);
        if (header.s32(72) > 0 && header.s32(80) > 0 && header.s32(76) > 0 && header.s32(84) > 0) {
            setup.pixelsPerMmX = double(header.s32(72)) / header.s32(80);
            setup.pixelsPerMmY = double(header.s32(76)) / header.s32(84);
        }
        // Some writers (diagram tools drawing at negative y) put the frame at the origin while
        // their drawing, as the bounds record it, lies almost wholly elsewhere. The bounds are
        // what was drawn: the frame keeps its size and moves there.
        const QRectF bounds(QPointF(header.s32(8), header.s32(12)), QPointF(header.s32(16) + 1, header.s32(20) + 1));
        if (bounds.isValid() && setup.frame.isValid()) {
            const QRectF shared = bounds.intersected(setup.frame);
            const double sharedArea = shared.isValid() ? shared.width() * shared.height() : 0;
            if (sharedArea < 0.25 * bounds.width() * bounds.height())
                setup.frame.moveTopLeft(bounds.topLeft());
        }
    }
    if (width <= 0 || height <= 0) {
        // A plain WMF that sets no window drew in pixels: its picture is where the drawing lands.
        setup.frame = QRectF(0, 0, 1, 1);
        setup.size = QSize(1, 1);
        MetafileCanvas measuring(nullptr, setup);
        if (!replay(data, checked, measuring, deadline))
            return PictureError(Problem::TimedOut, "the metafile took too long to draw");
        const QRectF drawn = measuring.measured();
        if (drawn.isEmpty())
            return Problem::Damaged;
        const double left = std::floor(drawn.left());
        const double top = std::floor(drawn.top());
        const double right = std::ceil(drawn.right());
        const double bottom = std::ceil(drawn.bottom());
        width = std::int64_t(std::min(right - left, 1e12));
        height = std::int64_t(std::min(bottom - top, 1e12));
        setup.frame = QRectF(left, top, right - left, bottom - top);
    }
    // The frame keeps the drawing's own units; only the pixels it maps onto get fewer.
    setup.size = MetafilePlayer::fittedSize(width, height, limits);
    const std::int64_t area = std::int64_t(setup.size.width()) * setup.size.height();
    setup.workBudget = std::clamp(area * bounds.workPerPixel, bounds.minWork, bounds.maxWork);

    Result<QImage> allocated
        = allocatePicture(setup.size.width(), setup.size.height(), QImage::Format_ARGB32_Premultiplied, limits);
    if (!allocated)
        return allocated.error();
    QImage image = std::move(allocated).value();
    // Whatever the metafile leaves unpainted stays transparent, as it would over a window.
    image.fill(Qt::transparent);
    QPainter painter(&image);
    MetafileCanvas canvas(&painter, setup);
    const bool inTime = replay(data, checked, canvas, deadline);
    painter.end();
    if (!inTime)
        return PictureError(Problem::TimedOut, "the metafile took too long to draw");
    if (canvas.exhausted())
        return Problem::TooComplex;
    return image;
}

}

QSize MetafilePlayer::fittedSize(std::int64_t width, std::int64_t height, const Limits& limits)
{
    width = std::max<std::int64_t>(width, 1);
    height = std::max<std::int64_t>(height, 1);
    if (limits.allows(width, height))
        return QSize(int(width), int(height));
    const double w = double(width);
    const double h = double(height);
    const double pixels = double(limits.maxBytes / Limits::bytesPerPixel);
    const double scale = std::min({ limits.maxSide / w, limits.maxSide / h, std::sqrt(pixels / (w * h)) });
    // Rounded down, so that the scaled size is within the limits whatever the rounding.
    return QSize(int(std::clamp(std::floor(w * scale), 1.0, double(limits.maxSide))),
        int(std::clamp(std::floor(h * scale), 1.0, double(limits.maxSide))));
}

Result<QImage> MetafilePlayer::play(std::span<const std::uint8_t> data, const Limits& limits, const Bounds& bounds)
{
    // Allocation failures inside Qt or the player are a picture that cannot be read, not the
    // program's end.
    try {
        return pictures::play(data, limits, bounds);
    } catch (const std::bad_alloc&) {
        return PictureError(Problem::OutOfMemory);
    }
}

}
