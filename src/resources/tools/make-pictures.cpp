// SPDX-License-Identifier: MIT
// Draws Movelle's bitmap pictures and exports the desktop icons.
// Not part of the normal build: make-pictures.sh compiles it into a temporary folder
// and runs it with the resources folder as its only argument.
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QSvgRenderer>
#include <QTextStream>

#include <cmath>
#include <numbers>

namespace {

bool save(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << ' ' << image.width() << 'x' << image.height() << '\n';
    return true;
}

// Plain cyan with five teal bands along the bottom, each darker than the one above.
QImage aboutBackground()
{
    QImage image(354, 210, QImage::Format_RGB32);
    image.fill(QColor(0, 255, 255));
    QPainter p(&image);
    constexpr int band = 12;
    const int levels[5] = {200, 166, 132, 98, 64};
    for (int i = 0; i < 5; ++i)
        p.fillRect(0, image.height() - (5 - i) * band, image.width(), band, QColor(0, levels[i], levels[i]));
    return image;
}

// A one-masted sailing ship with two square sails and a jib, on a calm sea.
QImage ship()
{
    QImage image(41, 42, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 33);
    sky.setColorAt(0, QColor(232, 243, 255));
    sky.setColorAt(1, QColor(250, 252, 255));
    p.fillRect(image.rect(), sky);

    // sea
    QLinearGradient sea(0, 32, 0, 42);
    sea.setColorAt(0, QColor(70, 140, 210));
    sea.setColorAt(1, QColor(25, 75, 150));
    p.fillRect(QRectF(0, 32.5, 41, 10), sea);

    // jib, behind the square sails
    const QColor sailEdge(120, 120, 120);
    p.setPen(QPen(sailEdge, 0.8));
    p.setBrush(QColor(246, 244, 236));
    p.drawPolygon(QPolygonF({{19.5, 5.5}, {37.5, 26.5}, {25.5, 25.5}}));

    // mast and bowsprit
    p.setPen(QPen(QColor(80, 45, 15), 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(18.5, 2.5), QPointF(18.5, 28));
    p.setPen(QPen(QColor(80, 45, 15), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(33, 27.5), QPointF(39.5, 25.5));

    // square sails, bellied forward
    p.setPen(QPen(sailEdge, 0.8));
    p.setBrush(QColor(255, 255, 250));
    QPainterPath top;
    top.moveTo(12.5, 6.5);
    top.lineTo(24.5, 6.5);
    top.quadTo(26.5, 10, 25, 13.5);
    top.lineTo(12, 13.5);
    top.quadTo(13.5, 10, 12.5, 6.5);
    p.drawPath(top);
    QPainterPath main;
    main.moveTo(10.5, 15);
    main.lineTo(26.5, 15);
    main.quadTo(29, 20, 27, 25);
    main.lineTo(10, 25);
    main.quadTo(12, 20, 10.5, 15);
    p.drawPath(main);
    // yards
    p.setPen(QPen(QColor(80, 45, 15), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 6.5), QPointF(25.5, 6.5));
    p.drawLine(QPointF(9.5, 15), QPointF(27.5, 15));

    // pennant
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 30, 30));
    p.drawPolygon(QPolygonF({{19.2, 1.5}, {25.5, 3.2}, {19.2, 4.9}}));

    // hull with a raised stern, a stripe and a few portholes
    QPainterPath hull;
    hull.moveTo(3.5, 24.5);
    hull.lineTo(8, 24.5);
    hull.lineTo(8.5, 27);
    hull.lineTo(35, 27);
    hull.lineTo(31, 34.5);
    hull.lineTo(9, 34.5);
    hull.lineTo(5, 29);
    hull.closeSubpath();
    QLinearGradient wood(0, 24, 0, 35);
    wood.setColorAt(0, QColor(160, 95, 40));
    wood.setColorAt(1, QColor(95, 50, 18));
    p.setPen(QPen(QColor(55, 28, 8), 0.9));
    p.setBrush(wood);
    p.drawPath(hull);
    p.setPen(QPen(QColor(240, 200, 90), 1.0));
    p.drawLine(QPointF(6.5, 29.5), QPointF(33, 29.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 20, 5));
    for (double x : {13.0, 18.0, 23.0, 28.0})
        p.drawEllipse(QPointF(x, 31.7), 0.9, 0.9);

    // waves over the waterline
    p.setPen(QPen(QColor(225, 240, 255), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row < 3; ++row) {
        const double y = 34.5 + row * 2.6;
        const double shift = row % 2 ? 3.0 : 0.0;
        for (double x = -6 + shift; x < 41; x += 7) {
            QPainterPath wave;
            wave.moveTo(x, y);
            wave.quadTo(x + 1.5, y - 1.4, x + 3, y);
            p.drawPath(wave);
        }
    }
    return image;
}

QPolygonF hexagon(QPointF centre, double radius, double turn)
{
    QPolygonF poly;
    for (int i = 0; i < 6; ++i) {
        const double a = turn + i * std::numbers::pi / 3;
        poly << centre + QPointF(radius * std::cos(a), radius * std::sin(a));
    }
    return poly;
}

// Black, a lens flare along a diagonal and two credit lines in the upper left.
QImage programInfo()
{
    QImage image(255, 198, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    p.setPen(Qt::NoPen);

    const QPointF light(198, 54);
    const QPointF centre(127.5, 99);
    const auto along = [&](double t) { return light + t * (centre - light); };

    // the glow around the light
    QRadialGradient glow(light, 70);
    glow.setColorAt(0.0, QColor(255, 255, 255, 255));
    glow.setColorAt(0.06, QColor(255, 250, 225, 235));
    glow.setColorAt(0.2, QColor(255, 200, 120, 120));
    glow.setColorAt(0.5, QColor(200, 110, 40, 40));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(glow);
    p.drawEllipse(light, 70, 70);

    // rays of a star burst
    for (int i = 0; i < 12; ++i) {
        const double a = i * std::numbers::pi / 6 + 0.2;
        const double len = i % 3 == 0 ? 62 : (i % 3 == 1 ? 34 : 24);
        const QPointF tip = light + QPointF(len * std::cos(a), len * std::sin(a));
        QLinearGradient ray(light, tip);
        ray.setColorAt(0, QColor(255, 245, 220, 200));
        ray.setColorAt(1, QColor(0, 0, 0, 0));
        p.setPen(QPen(QBrush(ray), i % 3 == 0 ? 1.6 : 1.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(light, tip);
    }
    p.setPen(Qt::NoPen);

    // the long horizontal streak
    p.save();
    p.translate(light);
    p.scale(1.0, 0.035);
    QRadialGradient streak(QPointF(0, 0), 130);
    streak.setColorAt(0, QColor(230, 240, 255, 230));
    streak.setColorAt(0.4, QColor(120, 160, 255, 90));
    streak.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(streak);
    p.drawEllipse(QPointF(0, 0), 130, 130);
    p.restore();

    // flares along the line from the light through the middle of the picture
    struct Hex { double t, radius; QColor fill; };
    const Hex hexes[] = {
        {0.45, 6, QColor(120, 255, 140, 45)},
        {1.35, 9, QColor(80, 160, 255, 50)},
        {1.55, 5, QColor(255, 120, 220, 55)},
        {2.1, 13, QColor(140, 110, 255, 40)},
        {2.55, 16, QColor(90, 220, 200, 32)},
    };
    for (const Hex &h : hexes) {
        const QPointF c = along(h.t);
        p.setBrush(h.fill);
        QColor edge = h.fill;
        edge.setAlpha(std::min(255, h.fill.alpha() * 2));
        p.setPen(QPen(edge, 1.0));
        p.drawPolygon(hexagon(c, h.radius, 0.25));
    }
    p.setPen(Qt::NoPen);

    // soft rings
    struct Ring { double t, radius; QColor colour; };
    const Ring rings[] = {
        {0.8, 11, QColor(255, 200, 90, 110)},
        {1.9, 26, QColor(120, 200, 255, 90)},
        {2.35, 8, QColor(255, 140, 80, 100)},
    };
    for (const Ring &r : rings) {
        const QPointF c = along(r.t);
        QRadialGradient g(c, r.radius);
        g.setColorAt(0.0, QColor(0, 0, 0, 0));
        g.setColorAt(0.72, QColor(r.colour.red() / 6, r.colour.green() / 6, r.colour.blue() / 6, 20));
        g.setColorAt(0.88, r.colour);
        g.setColorAt(1.0, QColor(0, 0, 0, 0));
        p.setBrush(g);
        p.drawEllipse(c, r.radius, r.radius);
    }

    // small bright dots
    const double dots[] = {0.25, 1.1, 1.7, 3.0};
    for (double t : dots) {
        const QPointF c = along(t);
        QRadialGradient g(c, 3.5);
        g.setColorAt(0, QColor(255, 255, 230, 200));
        g.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(g);
        p.drawEllipse(c, 3.5, 3.5);
    }

    // credits
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.setPen(QColor(215, 220, 235));
    const QFontMetrics fm(font);
    p.drawText(QPointF(8, 8 + fm.ascent()), QStringLiteral("Programming: Movelle Team"));
    p.drawText(QPointF(8, 8 + fm.lineSpacing() + 2 + fm.ascent()), QStringLiteral("Artwork: Movelle Team"));
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage renderSvg(const QString &path, int size)
{
    QSvgRenderer renderer(path);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!renderer.isValid())
        return {};
    QPainter p(&image);
    renderer.render(&p);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: make-pictures RESOURCE_DIR\n";
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = save(aboutBackground(), dir + "/pictures/about-background.png");
    ok = save(ship(), dir + "/pictures/ship.png") && ok;
    ok = save(programInfo(), dir + "/pictures/proginfo.png") && ok;
    const QString icon = dir + "/icons/movelle.svg";
    const QImage big = renderSvg(icon, 256);
    const QImage small = renderSvg(icon, 48);
    ok = !big.isNull() && !small.isNull() && ok;
    ok = save(big, dir + "/movelle.png") && ok;
    ok = save(small, dir + "/movelle-48.png") && ok;
    return ok ? 0 : 1;
}
