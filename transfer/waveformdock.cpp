#include "transfer/waveformdock.h"

#include "transfer/savefilename.h"

#include "transfer/filesaving.h"
#include "transfer/logexport.h"
#include "transfer/trafficlog.h"
#include "transfer/waveformview.h"

#include <QBuffer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>

WaveformDock::WaveformDock(const TrafficLog &log, QWidget *parent)
    : QDockWidget(tr("波形"), parent), log(log), waveform(new WaveformView), info(new QLabel)
{
    setObjectName(QStringLiteral("waveformDock"));
    waveform->setObjectName(QStringLiteral("waveformView"));
    info->setObjectName(QStringLiteral("waveformCaption"));
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *body = new QWidget;
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 4);
    auto *bar = new QHBoxLayout;
    bar->addWidget(info, 1);
    const auto button = [&](const char *name, const QString &text) {
        auto *made = new QPushButton(text);
        made->setObjectName(QLatin1String(name));
        bar->addWidget(made);
        return made;
    };
    connect(button("waveformFit", tr("适合窗口")), &QPushButton::clicked, waveform,
            &WaveformView::fitAll);
    connect(button("waveformPng", tr("导出 PNG…")), &QPushButton::clicked, this,
            [this] { exportAs(tr("PNG 图片 (*.png)"), &WaveformDock::png); });
    connect(button("waveformSvg", tr("导出 SVG…")), &QPushButton::clicked, this,
            [this] { exportAs(tr("SVG 图片 (*.svg)"), &WaveformDock::svg); });
    connect(button("waveformVcd", tr("导出 VCD…")), &QPushButton::clicked, this,
            [this] { exportAs(tr("VCD 文件 (*.vcd)"), &WaveformDock::vcd); });
    layout->addLayout(bar);
    layout->addWidget(waveform, 1);
    setWidget(body);
    showEntry(-1);
}

QString WaveformDock::caption() const
{
    return info->text();
}

void WaveformDock::showEntry(qint64 entry)
{
    if (entry < 0 || entry >= log.count()) {
        shown = SpiTransfer();
        info->setText(QString());
        waveform->setMessage(tr("在日志中选择一个条目以查看它的波形"));
        return;
    }
    const TrafficEntry facts = log.entry(entry);
    shown = SpiTransfer::fromOutcome(log.transfer(entry));
    switch (shown.drawable()) {
    case SpiTransfer::Drawable::Yes:
        waveform->setTransfer(shown);
        break;
    case SpiTransfer::Drawable::NoSettings:
        waveform->setMessage(tr("这个条目没有保存传输的设置，无法绘制波形"));
        break;
    case SpiTransfer::Drawable::Slave:
        waveform->setMessage(tr("从机传输的时钟由对方主机产生，无法绘制波形"));
        break;
    case SpiTransfer::Drawable::Empty:
        waveform->setMessage(tr("这个传输没有时钟"));
        break;
    }
    if (!facts.hasTransfer()) {
        info->setText(tr("条目 %1").arg(entry + 1));
        return;
    }
    info->setText(tr("条目 %1–%2：%3 %4")
                      .arg(facts.transferFirst + 1)
                      .arg(facts.transferFirst + facts.transferEntries)
                      .arg(QLatin1String(SpiTransfer::callName(shown.context.call)),
                           SpiTransfer::settingsText(shown.context)));
}

QByteArray WaveformDock::png() const
{
    QImage image(waveform->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    waveform->render(painter, image.size());
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray WaveformDock::svg() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(waveform->size());
    generator.setViewBox(QRect(QPoint(0, 0), waveform->size()));
    generator.setTitle(info->text());
    QPainter painter(&generator);
    waveform->render(painter, waveform->size());
    painter.end();
    return buffer.data();
}

QByteArray WaveformDock::vcd() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    LogExport::writeVcd(shown, buffer);
    return buffer.data();
}

void WaveformDock::exportAs(const QString &filter, QByteArray (WaveformDock::*make)() const)
{
    const QString fileName = getSaveFileNameWithSuffix(this, tr("导出波形"), QString(), filter);
    if (fileName.isNull())
        return;
    if (!saveFileReplacing(fileName, (this->*make)()))
        QMessageBox::warning(this, tr("Warning"), tr("Save file failed!"), QMessageBox::Ok,
                             QMessageBox::NoButton);
}
