// The about box and the pin-map window. Neither touches the adapter or the window's state.

#include "app/mainwindow.h"

#include <QMessageBox>
#include <QPixmap>

void MainWindow::on_actionAbout_triggered()
{
    QString text;
    text += tr("官方网站<span style=\"font-size:12px;\"></span>：") +
            QStringLiteral("<a href=\"https://kavris.example/\">https://kavris.example/</a><br>");
    text += tr("技术支持：400-000-0000<br>");
    text += tr("版本信息：v%1").arg(QStringLiteral(KAVRIS_VERSION));
    QMessageBox::about(this, tr("帮助"), text);
}

void MainWindow::on_actionPinMap_triggered()
{
    QMessageBox box(QMessageBox::NoIcon, tr("管脚定义"), QString(), QMessageBox::NoButton, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.setIconPixmap(QPixmap(QStringLiteral(":/image/TELKOR-KAVRIS.png")));
    box.exec();
}
