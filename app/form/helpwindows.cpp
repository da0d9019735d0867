// The about box and the pin-map window. Neither touches the adapter or the window's state.

#include "app/mainwindow.h"

#include <QMessageBox>
#include <QPixmap>

void MainWindow::on_actionAbout_triggered()
{
    QString text;
    text +=
        QString::fromUtf8("官方网站<span style=\"font-size:12px;\"></span>："
                          "<a href=\"https://kavris.example/\">https://kavris.example/</a><br>");
    text += QString::fromUtf8("技术支持：400-000-0000<br>");
    text += QString::fromUtf8("版本信息：v1.0.1");
    QMessageBox::about(this, QString::fromUtf8("帮助"), text);
}

void MainWindow::on_actionPinMap_triggered()
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8("管脚定义"), QString(),
                    QMessageBox::NoButton, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.setIconPixmap(QPixmap(QStringLiteral(":/image/TELKOR-KAVRIS.png")));
    box.exec();
}
