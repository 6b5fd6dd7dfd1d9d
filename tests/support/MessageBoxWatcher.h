// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace testing_support {

// Answers every message box as soon as it is on screen, by its button named `answer` or else by
// OK, and keeps what the last one showed and how many came: a box waits for the user inside the
// call that shows it. A program that ended earlier in this process asked Qt to quit, and Qt then
// stops every new event loop at once; the watcher runs the loop once first to clear that.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(const QString& answerWith = {})
        : answer(answerWith)
    {
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            frame = box->frameGeometry();
            text = box->text();
            details = box->detailedText();
            ++count;
            for (QAbstractButton* button : box->buttons()) {
                if (!answer.isEmpty() && button->text().remove(QLatin1Char('&')) == answer)
                    return button->click();
            }
            box->accept();
        });
        m_poll.start(5);
    }

    QString answer;
    QRect frame;
    QString text;
    QString details;
    int count = 0;

private:
    QTimer m_poll;
};

}
