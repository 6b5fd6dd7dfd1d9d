// SPDX-License-Identifier: MIT
#include "forms/qt/QtWindowSystem.h"

#include "forms/Application.h"
#include "forms/Control.h"
#include "forms/Window.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/WindowView.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>

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
        return !belongsToDialog(watched);
    }

private:
    // Input from the window system reaches the dialog's window (a QWindow, not a widget) before
    // Qt hands it on to the dialog's widgets, and Escape reaches the dialog's shortcut (a plain
    // object): all of them are the dialog's. Closing the progress dialog means Cancel; closing
    // anything else waits.
    bool belongsToDialog(QObject* watched) const
    {
        if (!m_dialog)
            return false;
        const QWindow* window = m_dialog->windowHandle();
        for (const QObject* o = watched; o; o = o->parent()) {
            if (o == m_dialog || (window && o == window))
                return true;
        }
        return false;
    }

    QPointer<QProgressDialog> m_dialog;
};

}

QtWindowSystem::QtWindowSystem()
{
    qApp->installEventFilter(this);
    // The model keeps track of the focus, so that it can pass it on when the focused control
    // is hidden or disabled.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now)
            return;
        auto* view = dynamic_cast<WindowView*>(now->window());
        if (!view || !view->window() || viewOf(*view->window()) != view)
            return;
        // The menu bar borrows the focus only while the keyboard is in it; the window itself
        // or its canvas holding the focus means no control has it.
        forms::Control* control = view->controlFor(now);
        if (control || now == view || now == view->canvas())
            view->window()->focusMoved(control);
    });
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
    // Every other window belongs to the main one: window managers keep it above the main window
    // (a maximized main window included) and place it over it.
    if (!window.isMainWindow())
        view->setOwner(mainView());
    view->showAndRaise();
}

WindowView* QtWindowSystem::mainView() const
{
    for (const auto& [window, view] : m_views) {
        if (window->isMainWindow())
            return view;
    }
    return nullptr;
}

QWidget* QtWindowSystem::dialogOwner() const
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    WindowView* main = mainView();
    return main && main->isVisible() ? main : nullptr;
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

namespace {

// A message box that never grows past the screen's available area, whatever it holds, and is
// kept on that screen: its OK button always stays within reach.
class BoundedMessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QMessageBox::resizeEvent(event);
        QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = screen->availableGeometry();
        // The frame's own size comes on top of the client area.
        const QSize frame = frameGeometry().size() - size();
        const QSize most = (area.size() - frame).expandedTo(QSize(1, 1));
        if (width() > most.width() || height() > most.height())
            setFixedSize(size().boundedTo(most));
    }

    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = screen->availableGeometry();
        const QRect frame = frameGeometry();
        QPoint corner = frame.topLeft();
        corner.setX(std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
        corner.setY(std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
        if (corner != frame.topLeft())
            move(corner);
    }
};

int exec(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text, const QString& details)
{
    const QtWindowSystem::BoxText shown = QtWindowSystem::boxText(text, details);
    BoundedMessageBox box(icon, title, shown.text, QMessageBox::Ok, owner);
    // Plain text: a quoted value from a file must not be taken for markup.
    box.setTextFormat(Qt::PlainText);
    if (!shown.details.isEmpty())
        box.setDetailedText(shown.details);
    return box.exec();
}

}

QtWindowSystem::BoxText QtWindowSystem::boxText(const QString& text, const QString& details)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList kept;
    bool cut = false;
    for (const QString& line : lines) {
        if (kept.size() == kBoxLines) {
            cut = true;
            break;
        }
        if (line.size() > kBoxLineLength) {
            const int half = (kBoxLineLength - 3) / 2;
            kept.push_back(line.left(half) + QStringLiteral(" \u2026 ") + line.right(half));
            cut = true;
        } else {
            kept.push_back(line);
        }
    }
    if (lines.size() > kBoxLines) {
        kept.push_back(QStringLiteral("\u2026 and %1 more lines (see the details).").arg(lines.size() - kBoxLines));
        cut = true;
    }
    BoxText result { kept.join(QLatin1Char('\n')), details };
    if (cut) {
        // The details hold everything the box leaves out; a details text of its own follows.
        result.details = details.isEmpty() ? text : text + QStringLiteral("\n\n") + details;
    }
    return result;
}

void QtWindowSystem::messageBox(const std::string& text, const std::string& title)
{
    exec(dialogOwner(), QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text), {});
}

forms::SaveAnswer QtWindowSystem::askToSave(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    // Modal for the whole program: nothing else may change the animation while the user decides.
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* save = box.addButton(QMessageBox::Save);
    save->setText(QStringLiteral("&Save"));
    QPushButton* discard = box.addButton(QMessageBox::Discard);
    discard->setText(QStringLiteral("Do&n't Save"));
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    cancel->setText(QStringLiteral("Cancel"));
    box.setDefaultButton(save);
    // Escape and the box's close button keep everything as it was.
    box.setEscapeButton(cancel);
    box.exec();
    // The window that asked takes the keyboard back, also where no window manager hands it on:
    // after Cancel the user goes on typing there.
    if (QWidget* owner = box.parentWidget(); owner && owner->isVisible())
        owner->activateWindow();
    if (box.clickedButton() == save)
        return forms::SaveAnswer::Save;
    if (box.clickedButton() == discard)
        return forms::SaveAnswer::DontSave;
    return forms::SaveAnswer::Cancel;
}

std::optional<std::string> QtWindowSystem::chooseFolder(const std::string& title, const std::string& start)
{
    QFileDialog dialog(dialogOwner(), QString::fromStdString(title), QString::fromStdString(start));
    // Qt's own dialog, the same on every desktop and reachable by the keyboard; the path typed
    // into its name box and Enter choose a folder.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Choose"));
    // Modal for the whole program: the animation must not change while the user looks for a place.
    dialog.setWindowModality(Qt::ApplicationModal);
    const int answer = dialog.exec();
    if (QWidget* owner = dialog.parentWidget(); owner && owner->isVisible())
        owner->activateWindow();
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void QtWindowSystem::reportError(const std::string& message)
{
    reportDetailedError(message, {});
}

void QtWindowSystem::reportDetailedError(const std::string& message, const std::string& details)
{
    // One report at a time: a timer whose handler keeps failing must not pile up boxes.
    if (m_reporting)
        return;
    m_reporting = true;
    exec(dialogOwner(), QMessageBox::Warning, QStringLiteral("Movelle"), QString::fromStdString(message),
         QString::fromStdString(details));
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
    QPointer<QProgressDialog> dialog = new QProgressDialog(dialogOwner());
    dialog->setWindowTitle(QStringLiteral("Movelle"));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    const QString countText = QStringLiteral("\n%1 of %2 frames read and decoded");
    // The dialog has the width of its widest count from the start, so that it does not grow as
    // the count does and Cancel stays under the pointer; a long path is shortened in the middle.
    const QScreen* screen = dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
    const int widest = screen ? screen->availableGeometry().width() * 2 / 3 : 800;
    const QString heading = dialog->fontMetrics().elidedText(QString::fromStdString(title), Qt::ElideMiddle, widest - 40);
    dialog->setLabelText(heading + countText.arg(QStringLiteral("88888"), QStringLiteral("88888")));
    dialog->setFixedWidth(std::min(dialog->sizeHint().width(), widest));
    dialog->setLabelText(heading);
    // Shown by the timer below, never by QProgressDialog's own guess of how long the work takes.
    dialog->setMinimumDuration(std::numeric_limits<int>::max());
    const auto update = [&] {
        if (!dialog || !dialog->isVisible() || progress.cancelled())
            return;
        const int total = std::max(progress.total(), 1);
        dialog->setMaximum(total);
        dialog->setValue(std::min(progress.done(), total));
        dialog->setLabelText(heading + countText.arg(progress.done()).arg(progress.total()));
    };
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [&] {
        progress.cancel();
        // QProgressDialog hides itself on Cancel, but the windows take no input until the work
        // has stopped: the dialog stays to say so, or the user's next clicks and keys would be
        // lost without a sign.
        QTimer::singleShot(0, dialog, [&] {
            if (!dialog)
                return;
            dialog->setCancelButtonText(QString());
            dialog->setLabelText(heading + QStringLiteral("\nStopping…"));
            dialog->show();
        });
    });
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
    // The keyboard is in the menu bar (Alt+F, then the arrows): the keys choose menus there and
    // are no characters for the window.
    if (qobject_cast<QMenuBar*>(focus))
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
    // Alt or Ctrl with a key is a command, not a character: no key event, and a text box does
    // not type the letter either (Ctrl's editing commands still reach it).
    const Qt::KeyboardModifiers command = key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
    if (command) {
        m_takenKey = event;
        return command == Qt::AltModifier && !key->text().isEmpty() && key->text().front().isPrint();
    }
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
    // After the program ended nothing may act on the key any more, and a control that is
    // hidden or disabled never gets one, even if the focus has not left it yet.
    if (window.application().ended())
        return true;
    const forms::Control* target = focus ? view->controlFor(focus) : nullptr;
    return target && !target->acceptsInput();
}

}
