#include "transfer/decoderdialog.h"

#include "bus/spitransfer.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

DecoderDialog::DecoderDialog(TrafficAnnotator &annotator, QWidget *parent)
    : QDialog(parent), annotator(annotator), rows(annotator.chipSelects())
{
    setWindowTitle(tr("解码器"));
    setObjectName(QStringLiteral("decoderDialog"));
    if (rows.isEmpty())
        for (int index = 0; index < 10; ++index)
            rows << qMakePair(0, (index % 5) << 4 | index / 5);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("每个片选的解码器：自动时，JEDEC ID 的回答认出已知闪存即用闪存解码器。")));
    auto *form = new QFormLayout;
    for (const auto &row : rows) {
        auto *box = new QComboBox;
        box->setObjectName(boxName(row.first, row.second));
        box->addItems({tr("自动"), tr("无"), tr("SPI NOR 闪存"), tr("寄存器组")});
        box->setCurrentIndex(int(annotator.choice(row.first, row.second)));
        QString label = tr("设备 %1 %2").arg(row.first).arg(SpiTransfer::channelName(row.second));
        const QString chip = annotator.identified(row.first, row.second);
        if (!chip.isEmpty())
            label += tr("（已认出 %1）").arg(chip);
        form->addRow(label, box);
        boxes << box;
    }
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString DecoderDialog::boxName(int device, int channel)
{
    return QStringLiteral("decoder_%1_%2").arg(device).arg(channel, 2, 16, QLatin1Char('0'));
}

void DecoderDialog::apply()
{
    for (int i = 0; i < rows.size(); ++i)
        annotator.setChoice(rows[i].first, rows[i].second,
                            TrafficAnnotator::Choice(boxes[i]->currentIndex()));
}
