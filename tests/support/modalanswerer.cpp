#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaEnum>

namespace
{

QString buttonName(QMessageBox::StandardButton button)
{
    const QMetaObject &meta = QMessageBox::staticMetaObject;
    const QMetaEnum names = meta.enumerator(meta.indexOfEnumerator("StandardButtons"));
    return QString::fromLatin1(names.valueToKey(button));
}

} // namespace

ModalAnswerer::ModalAnswerer()
{
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start();
}

void ModalAnswerer::then(const Handler &handler)
{
    handlers.append(handler);
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    // A dialog comes back on top when a box it opened closes; it is answered once only.
    if (!modal || !modal->isVisible() || answered.contains(modal))
        return;
    answered.append(modal);
    Seen record;
    record.kind = QString::fromLatin1(modal->metaObject()->className());
    record.title = modal->windowTitle();
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
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return static_cast<void>(qobject_cast<QDialog *>(modal)->reject());
        for (QAbstractButton *button : box->buttons())
            if (buttonName(box->standardButton(button)) == standardButton)
                return button->click();
        box->reject();
    };
}

ModalAnswerer::Handler ModalAnswerer::pressDefault()
{
    return [](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box && !box->buttons().isEmpty())
            box->buttons().first()->click();
        else if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
    };
}

ModalAnswerer::Handler ModalAnswerer::chooseFile(const QString &path)
{
    return [path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return static_cast<void>(qobject_cast<QDialog *>(modal)->reject());
        // selectFile() leaves the name box alone while it has the focus, as it has in a shown
        // dialog: type the path into it instead.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!name)
            return static_cast<void>(dialog->reject());
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
