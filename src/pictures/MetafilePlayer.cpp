// SPDX-License-Identifier: MIT
#include "pictures/MetafilePlayer.h"

#include "pictures/EmfPlayer.h"
#include "pictures/MetafileCanvas.h"
#include "pictures/MetafileCheck.h"
#include "pictures/PictureLimits.h"
#include "pictures/RecordBytes.h"
#include "pictures/WmfPlayer.h"

#include <QPainter>

#include <cmath>
#include <new>

namespace pictures {

namespace {

using Problem = MetafilePlayer::Problem;

Problem problemOf(MetafileCheck::Problem p)
{
    switch (p) {
    case MetafileCheck::Problem::None: return Problem::None;
    case MetafileCheck::Problem::NotAMetafile: return Problem::NotAMetafile;
    case MetafileCheck::Problem::Damaged: return Problem::Damaged;
    case MetafileCheck::Problem::TooLarge: return Problem::TooLarge;
    }
    return Problem::Damaged;
}

bool replay(std::span<const std::uint8_t> data, const MetafileCheck::Result& checked, MetafileCanvas& canvas,
    std::chrono::steady_clock::time_point deadline)
{
    return checked.kind == MetafileCheck::Kind::Emf ? EmfPlayer::play(data, checked, canvas, deadline)
                                                    : WmfPlayer::play(data, checked, canvas, deadline);
}

MetafilePlayer::Result play(std::span<const std::uint8_t> data, const MetafilePlayer::Bounds& bounds)
{
    MetafilePlayer::Result result;
    const MetafileCheck::Result checked = MetafileCheck::check(data);
    result.width = checked.width;
    result.height = checked.height;
    if (!checked.ok()) {
        result.problem = problemOf(checked.problem);
        return result;
    }
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
    if (checked.width <= 0 || checked.height <= 0) {
        // A plain WMF that sets no window drew in pixels: its picture is where the drawing lands.
        setup.frame = QRectF(0, 0, 1, 1);
        setup.size = QSize(1, 1);
        MetafileCanvas measuring(nullptr, setup);
        if (!replay(data, checked, measuring, deadline)) {
            result.problem = Problem::TimedOut;
            return result;
        }
        const QRectF drawn = measuring.measured();
        if (drawn.isEmpty()) {
            result.problem = Problem::Damaged;
            return result;
        }
        const double left = std::floor(drawn.left());
        const double top = std::floor(drawn.top());
        const double width = std::ceil(drawn.right()) - left;
        const double height = std::ceil(drawn.bottom()) - top;
        result.width = std::int64_t(std::min(width, 1e12));
        result.height = std::int64_t(std::min(height, 1e12));
        if (!PictureLimits::allows(result.width, result.height)) {
            result.problem = Problem::TooLarge;
            return result;
        }
        setup.frame = QRectF(left, top, width, height);
    }
    setup.size = QSize(int(result.width), int(result.height));
    const std::int64_t area = result.width * result.height;
    setup.workBudget = std::clamp(area * bounds.workPerPixel, bounds.minWork, bounds.maxWork);

    QImage image(setup.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        result.problem = Problem::TooLarge;
        return result;
    }
    // Whatever the metafile leaves unpainted stays transparent, as it would over a window.
    image.fill(Qt::transparent);
    QPainter painter(&image);
    MetafileCanvas canvas(&painter, setup);
    const bool inTime = replay(data, checked, canvas, deadline);
    painter.end();
    if (!inTime) {
        result.problem = Problem::TimedOut;
        return result;
    }
    if (canvas.exhausted()) {
        result.problem = Problem::TooComplex;
        return result;
    }
    result.image = std::move(image);
    return result;
}

}

MetafilePlayer::Result MetafilePlayer::play(std::span<const std::uint8_t> data, const Bounds& bounds)
{
    // Allocation failures inside Qt or the player are a picture that cannot be read, not the
    // program's end.
    try {
        return pictures::play(data, bounds);
    } catch (const std::bad_alloc&) {
        Result r;
        r.problem = Problem::TooLarge;
        return r;
    }
}

}
