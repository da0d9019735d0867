#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaEnum>

static QString buttonName(QMessageBox::StandardButton button)
{
    const QMetaObject &meta = QMessageBox::staticMetaObject;
    const QMetaEnum names = meta.enumerator(meta.indexOfEnumerator("StandardButtons"));
    return QString::fromLatin1(names.valueToKey(button));
}

ModalAnswerer::ModalAnswerer()
{
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start(5);
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    // A dialog comes back on top when a box it opened closes; it is answered once only.
    if (!modal || !modal->isVisible() || answered.contains(modal))
        return;
    answered.append(modal);
    Seen record{
        QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(), {}, {}};
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        record.text = box->text();
        for (QAbstractButton *button : box->buttons())
            record.buttons.append(buttonName(box->standardButton(button)));
    }
    seen.append(record);
    if (onSeen)
        onSeen(record);
    const Handler handler = handlers.isEmpty() ? cancel() : handlers.takeFirst();
    // Answer from the event loop, not from inside the poll, so the dialog is fully shown.
    QTimer::singleShot(0, modal, [handler, modal] { handler(modal); });
}

QStringList ModalAnswerer::summary() const
{
    QStringList lines;
    for (const Seen &record : seen)
        lines.append(record.kind + QLatin1Char('|') + record.title + QLatin1Char('|') +
                     record.text);
    return lines;
}

ModalAnswerer::Handler ModalAnswerer::press(const QString &standardButton)
{
    return [standardButton](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            for (QAbstractButton *button : box->buttons())
                if (standardButton.isEmpty() ||
                    buttonName(box->standardButton(button)) == standardButton)
                    return button->click();
        cancel()(modal);
    };
}

ModalAnswerer::Handler ModalAnswerer::chooseFile(const QString &path)
{
    return [path](QWidget *modal) {
        // selectFile() leaves the name box alone while it has the focus, as it has in a shown
        // dialog: type the path into it instead.
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *name =
            dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name)
            return cancel()(modal);
        name->setText(path);
        static_cast<QDialog *>(dialog)->accept();
    };
}

ModalAnswerer::Handler ModalAnswerer::cancel()
{
    return [](QWidget *modal) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    };
}
