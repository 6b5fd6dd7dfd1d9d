// SPDX-License-Identifier: MIT
#include "shell/Movelle.h"

#include "dialogs/ExportScreen.h"
#include "dialogs/Form2.h"
#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "shell/About.h"
#include "shell/Form1.h"
#include "shell/Form5.h"
#include "shell/Form6.h"
#include "shell/frmLogin.h"

#include <utility>

namespace movelle {

void Movelle::start()
{
    // The main window comes into being only once the password is accepted.
    frmLogin().show();
}

void Movelle::start(const std::string& animation)
{
    m_startAnimation = animation;
    start();
}

void Movelle::openStartAnimation()
{
    if (m_startAnimation.empty())
        return;
    // Once only: a later login (there is none today) must not open it again.
    const std::string path = std::exchange(m_startAnimation, std::string());
    Form4().openAnimation(path);
}

movelle::frmLogin& Movelle::frmLogin() { return window<movelle::frmLogin>("frmLogin"); }
movelle::Form1& Movelle::Form1() { return window<movelle::Form1>("Form1"); }
movelle::Form2& Movelle::Form2() { return window<movelle::Form2>("Form2"); }
movelle::Form3& Movelle::Form3() { return window<movelle::Form3>("Form3"); }
movelle::Form4& Movelle::Form4() { return window<movelle::Form4>("Form4"); }
movelle::Form5& Movelle::Form5() { return window<movelle::Form5>("Form5"); }
movelle::Form6& Movelle::Form6() { return window<movelle::Form6>("Form6"); }
movelle::About& Movelle::About() { return window<movelle::About>("About"); }
movelle::ExportScreen& Movelle::ExportScreen() { return window<movelle::ExportScreen>("ExportScreen"); }

void Movelle::showLoadFrame() { Form2().show(); }
void Movelle::showSaveScreen() { Form3().show(); }
void Movelle::showOpenScreen() { Form4().show(); }
void Movelle::showAbout() { About().show(); }
void Movelle::showProgramInformation() { Form6().show(); }
void Movelle::showDrawing() { Form5().show(); }
void Movelle::showExportScreen() { ExportScreen().show(); }

std::string Movelle::exportAnimation(const std::vector<std::string>& arguments, forms::Progress& progress) const
{
    if (!m_exporter)
        return "this build of Movelle cannot export";
    return m_exporter(arguments, progress);
}

}
