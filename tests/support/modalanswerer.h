#pragma once
// Answers the modal dialogs a test provokes, in order, and keeps what each one showed.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Seen {
        QString kind; // QMessageBox, QFileDialog, ...
        QString title;
        QString text;        // a message box's text; empty for other dialogs
        QStringList buttons; // a message box's standard buttons, e.g. "Ok", "Yes"
    };
    using Handler = std::function<void(QWidget *)>;

    ModalAnswerer();

    // The next modal dialog is handed to `handler`. Dialogs no handler waits for are
    // rejected (and still recorded), so a test never hangs on one.
    void then(const Handler &handler) { handlers.append(handler); }

    // Ready-made answers.
    static Handler press(const QString &standardButton);       // a message box's button, by name
    static Handler pressDefault() { return press(QString()); } // its only or first button
    static Handler chooseFile(const QString &path);            // a file dialog: that file, accepted
    static Handler cancel();                                   // reject whatever it is

    QList<Seen> seen;
    // Called for every dialog as it is seen, before it is answered.
    std::function<void(const Seen &)> onSeen;
    // "kind|title|text" of every dialog seen, for compact comparisons.
    QStringList summary() const;

private:
    void poll();

    QTimer timer;
    QList<Handler> handlers;
    QList<QPointer<QWidget>> answered;
};
