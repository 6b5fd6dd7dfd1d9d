// SPDX-License-Identifier: MIT
#include "forms/qt/QtClock.h"
#include "forms/qt/QtPictureDecoder.h"
#include "forms/qt/QtWindowSystem.h"
#include "shell/Movelle.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[])
{
    QApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movelle"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setDesktopFileName(QStringLiteral("movelle"));
    // Windows stay alive hidden; the program ends on Exit, Escape or closing the main window.
    QApplication::setQuitOnLastWindowClosed(false);
    // The windows are laid out in twips for a small 8-point sans-serif face.
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                       QStringLiteral("Arial"), QStringLiteral("DejaVu Sans") });
    font.setPointSize(8);
    QApplication::setFont(font);

    forms::qt::QtWindowSystem windowSystem;
    forms::qt::QtClock clock;
    forms::qt::QtPictureDecoder decoder;
    movelle::Movelle app(windowSystem, clock, decoder);
    app.start();
    if (app.ended())
        return 0;
    return QApplication::exec();
}
