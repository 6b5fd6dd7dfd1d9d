// SPDX-License-Identifier: MIT
// Opens every compiled-in picture of movelle_resources through QImageReader and
// QIcon and checks the sizes the program relies on. Exit code 0 when all is well.
// Built only with -DMOVELLE_RESOURCES_CHECK=ON; run with QT_QPA_PLATFORM=offscreen.
#include <QByteArray>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QTextStream>

#include "resources/ResourcePaths.h"

namespace {

// The bitmaps have fixed pixel sizes the windows are laid out for.
QSize expectedSize(const QString &path)
{
    if (path == QLatin1String(":/pictures/about-background.png"))
        return {354, 210};
    if (path == QLatin1String(":/pictures/ship.png"))
        return {41, 42};
    if (path == QLatin1String(":/pictures/proginfo.png"))
        return {255, 198};
    return {};
}

// Counts pixels that are not fully transparent.
int paintedPixels(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            n += qAlpha(argb.pixel(x, y)) != 0;
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    int failures = 0;

    if (!QImageReader::supportedImageFormats().contains("svg")) {
        out << "FAIL the Qt SVG image plugin is missing\n";
        ++failures;
    }

    for (const char *name : movelle::resources::allPaths()) {
        const QString path = QString::fromLatin1(name);
        const QSize exact = expectedSize(path);
        QImageReader reader(path);
        const QByteArray format = reader.format();
        const QImage image = reader.read();
        bool ok = !image.isNull();
        if (ok && exact.isValid())
            ok = image.size() == exact;
        const QPixmap icon = QIcon(path).pixmap(28, 28);
        ok = ok && !icon.isNull() && paintedPixels(icon.toImage()) > 0;
        out << (ok ? "ok   " : "FAIL ") << path << ' ' << format << ' ' << image.width() << 'x'
            << image.height();
        if (!ok)
            out << "  " << reader.errorString();
        out << '\n';
        failures += ok ? 0 : 1;
    }
    out << (failures ? "some pictures failed\n" : "all pictures load\n");
    return failures ? 1 : 0;
}
