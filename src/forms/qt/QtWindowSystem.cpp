// SPDX-License-Identifier: MIT
#include "forms/qt/QtWindowSystem.h"

#include "forms/Application.h"
#include "forms/Window.h"
#include "forms/qt/WindowView.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <limits>
#include <thread>

namespace forms::qt {

namespace {

// Eats every input meant for the program's windows while work runs away from the user-interface
// thread, so that nothing the user does can change them half way; the progress dialog alone
// takes input. Paint, timer and other events go on.
class InputBlocker final : public QObject {
public:
    explicit InputBlocker(const QPointer<QProgressDialog>& dialog)
        : m_dialog(dialog)
    {
        qApp->installEventFilter(this);
    }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
        case QEvent::InputMethod:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (m_dialog && widget && (widget == m_dialog || m_dialog->isAncestorOf(widget)))
            return false;
        // Closing the progress dialog means Cancel; closing anything else waits.
        return true;
    }

private:
    QPointer<QProgressDialog> m_dialog;
};

}

QtWindowSystem::QtWindowSystem()
{
    qApp->installEventFilter(this);
}

QtWindowSystem::~QtWindowSystem()
{
    qApp->removeEventFilter(this);
    for (auto& [window, view] : m_views) {
        view->detach();
        delete view;
    }
}

WindowView* QtWindowSystem::viewOf(const forms::Window& window) const
{
    auto it = m_views.find(&window);
    return it == m_views.end() ? nullptr : it->second;
}

void QtWindowSystem::showWindow(forms::Window& window)
{
    WindowView* view = viewOf(window);
    if (!view) {
        view = new WindowView(window);
        m_views.emplace(&window, view);
    }
    view->showAndRaise();
}

void QtWindowSystem::hideWindow(forms::Window& window)
{
    if (WindowView* view = viewOf(window))
        view->hide();
}

void QtWindowSystem::windowUnloaded(forms::Window& window)
{
    auto it = m_views.find(&window);
    if (it == m_views.end())
        return;
    WindowView* view = it->second;
    m_views.erase(it);
    view->detach();
}

void QtWindowSystem::messageBox(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void QtWindowSystem::reportError(const std::string& message)
{
    // One report at a time: a timer whose handler keeps failing must not pile up boxes.
    if (m_reporting)
        return;
    m_reporting = true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Movelle"), QString::fromStdString(message), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
    m_reporting = false;
}

void QtWindowSystem::quit()
{
    for (auto& [window, view] : m_views)
        view->hide();
    // Outside an event loop there is nothing to leave, and Qt would make every later loop,
    // a message box's included, return at once; the program's start checks for the end itself.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

bool QtWindowSystem::runWithProgress(const std::string& title, forms::Progress& progress,
                                     const std::function<void()>& work)
{
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to spare: the work runs here, as it would without a screen.
        work();
        return !progress.cancelled();
    }

    // The dialog shows itself once the work has lasted the delay; until then nothing flickers.
    QPointer<QProgressDialog> dialog = new QProgressDialog(QApplication::activeWindow());
    dialog->setWindowTitle(QStringLiteral("Movelle"));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    const QString heading = QString::fromStdString(title);
    dialog->setLabelText(heading);
    // Shown by the timer below, never by QProgressDialog's own guess of how long the work takes.
    dialog->setMinimumDuration(std::numeric_limits<int>::max());
    const auto update = [&] {
        if (!dialog || !dialog->isVisible())
            return;
        const int total = std::max(progress.total(), 1);
        dialog->setMaximum(total);
        dialog->setValue(std::min(progress.done(), total));
        dialog->setLabelText(heading
                             + QStringLiteral("\n%1 of %2 frames read and decoded").arg(progress.done()).arg(progress.total()));
    };
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [&progress] { progress.cancel(); });
    InputBlocker blocker(dialog);
    QTimer showing;
    showing.setSingleShot(true);
    QObject::connect(&showing, &QTimer::timeout, dialog, [&] {
        dialog->show();
        update();
    });
    showing.start(m_progressDelay);
    QTimer ticking;
    QObject::connect(&ticking, &QTimer::timeout, dialog, update);
    ticking.start(50);

    loop.exec(QEventLoop::AllEvents);
    // After a cancel the work stops at its next step; a decode under way ends within its bound.
    worker.join();
    ticking.stop();
    showing.stop();
    delete dialog.data();
    if (failure)
        std::rethrow_exception(failure);
    return !progress.cancelled();
}

bool QtWindowSystem::openWithDesktop(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtWindowSystem::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        // Any other event means the key taken last has finished travelling.
        m_takenKey = nullptr;
        return false;
    }
    // The key taken below goes on up to the parents of the widget that ignored it. A handler
    // that showed a message box may have left no focus widget, so the test below cannot tell
    // the parents from where the key started: without this the key would act twice.
    if (event == m_takenKey)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    // A key event travels from the focus widget up to its parents; take it once, where it starts.
    QWidget* focus = QApplication::focusWidget();
    if (focus ? widget != focus : !widget->isWindow())
        return false;
    auto* view = dynamic_cast<WindowView*>(widget->window());
    if (!view || !view->window())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    forms::Window& window = *view->window();
    // Alt with a letter is a label's access key; a label that takes it swallows it.
    if ((key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) == Qt::AltModifier
        && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z
        && window.accessKey(static_cast<char>('a' + (key->key() - Qt::Key_A))))
        return true;
    // Keys without a character (arrows, function keys, Delete) raise no key event, and Tab
    // moves the focus; an input method may deliver several characters at once.
    for (const QChar c : key->text()) {
        if (c == QLatin1Char('\t') || c.unicode() == 127)
            continue;
        window.characterTyped(c.unicode());
        if (window.application().ended())
            break;
    }
    m_takenKey = event;
    // After the program ended nothing may act on the key any more.
    return window.application().ended();
}

}
