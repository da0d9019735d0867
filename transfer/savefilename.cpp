// The save dialogs' file names.

#include "transfer/savefilename.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

QString addFilterSuffix(const QString &fileName, const QString &selectedFilter)
{
    const QString name = QFileInfo(fileName).fileName();
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return fileName;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([^\\s;()*?]+)"));
    const QRegularExpressionMatch suffix = pattern.match(selectedFilter);
    return suffix.hasMatch() ? fileName + QLatin1Char('.') + suffix.captured(1) : fileName;
}

QString getSaveFileNameWithSuffix(QWidget *parent, const QString &caption, const QString &folder,
                                  const QString &filter)
{
    QString selected;
    const QString typed = QFileDialog::getSaveFileName(parent, caption, folder, filter, &selected);
    if (typed.isNull())
        return typed;
    const QString fileName = addFilterSuffix(typed, selected);
    if (fileName != typed && QFileInfo::exists(fileName)) {
        const QString question =
            QCoreApplication::translate("SaveFileName",
                                        "%1 already exists.\nDo you want to replace it?")
                .arg(QFileInfo(fileName).fileName());
        if (QMessageBox::question(parent, caption, question, QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) != QMessageBox::Yes)
            return QString();
    }
    return fileName;
}
