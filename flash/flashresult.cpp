// The flash engine's results as text and as exit codes.

#include "flash/flashresult.h"

#include "flash/flashchip.h"

#include <QCoreApplication>
#include <QStringList>

namespace
{

// The context of these texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FlashResult)
};

QString byteText(quint8 value)
{
    return QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0')) +
           QLatin1Char('h');
}

QString rangeText(quint64 start, quint64 length)
{
    return QStringLiteral("%1–%2").arg(flashAddressText(start),
                                       flashAddressText(start + length - 1));
}

QString operationText(FlashOperation operation, quint64 address, quint64 length)
{
    switch (operation) {
    case FlashOperation::PageProgram:
        return Text::tr("编程 %1 起的页").arg(flashAddressText(address));
    case FlashOperation::Erase:
        return Text::tr("擦除 %1 起 %2").arg(flashAddressText(address), flashSizeText(length));
    case FlashOperation::ChipErase:
        return Text::tr("整片擦除");
    case FlashOperation::WriteStatus:
        return Text::tr("写状态寄存器");
    case FlashOperation::Read:
    case FlashOperation::None:
        break;
    }
    return Text::tr("读取");
}

} // namespace

QString flashAddressText(quint64 address)
{
    return QString::number(address, 16)
               .toUpper()
               .rightJustified(address >> 24 ? 8 : 6, QLatin1Char('0')) +
           QLatin1Char('h');
}

QString FlashResult::regionsText(const QVector<FlashRegion> &regions)
{
    QStringList parts;
    for (const FlashRegion &region : regions) {
        const char *state = "";
        switch (region.state) {
        case FlashRegion::State::Unchanged:
            state = QT_TRANSLATE_NOOP("FlashResult", "未改动");
            break;
        case FlashRegion::State::Erased:
            state = QT_TRANSLATE_NOOP("FlashResult", "已擦除");
            break;
        case FlashRegion::State::Written:
            state = QT_TRANSLATE_NOOP("FlashResult", "已写入，尚未校验");
            break;
        case FlashRegion::State::Verified:
            state = QT_TRANSLATE_NOOP("FlashResult", "已写入并校验");
            break;
        case FlashRegion::State::Unknown:
            state = QT_TRANSLATE_NOOP("FlashResult", "状态不明");
            break;
        }
        parts << Text::tr("%1 %2").arg(rangeText(region.start, region.length), Text::tr(state));
    }
    return parts.join(Text::tr("；"));
}

QString FlashResult::text() const
{
    QString text;
    switch (error) {
    case FlashError::None:
        switch (job) {
        case FlashJob::Kind::Identify:
            return Text::tr("识别完成。");
        case FlashJob::Kind::Read:
            return Text::tr("已读取 %1 字节（%2）。")
                .arg(readBytes)
                .arg(rangeText(rangeStart, rangeLength));
        case FlashJob::Kind::Verify:
            return Text::tr("校验一致：%1 字节（%2）。")
                .arg(rangeLength)
                .arg(rangeText(rangeStart, rangeLength));
        case FlashJob::Kind::Erase:
            return Text::tr("已擦除 %1（%2）。")
                .arg(flashSizeText(erasedBytes), rangeText(rangeStart, rangeLength));
        case FlashJob::Kind::Write:
            if (eraseCommands == 0 && programCommands == 0)
                return Text::tr("芯片内容已与映像一致，未擦除也未编程（%1）。")
                    .arg(rangeText(rangeStart, rangeLength));
            text = Text::tr("已写入 %1（%2）：")
                       .arg(flashSizeText(rangeLength), rangeText(rangeStart, rangeLength));
            if (eraseCommands > 0)
                text += Text::tr("擦除 %1 次共 %2，")
                            .arg(eraseCommands)
                            .arg(flashSizeText(erasedBytes));
            return text + Text::tr("编程 %1 次共 %2 字节%3。")
                              .arg(programCommands)
                              .arg(programmedBytes)
                              .arg(verified ? Text::tr("，已校验") : Text::tr("，未校验"));
        }
        break;
    case FlashError::Cancelled:
        text = Text::tr("已取消。");
        break;
    case FlashError::LinkFailed:
        text = Text::tr("传输失败：%1").arg(detail);
        break;
    case FlashError::LinkUnsuitable:
        return detail;
    case FlashError::BusyTimeout:
        text = Text::tr("芯片在%1后超过 %2 毫秒仍忙，已放弃。")
                   .arg(operationText(operation, address, length))
                   .arg(boundUs / 1000);
        break;
    case FlashError::VerifyMismatch:
        text = Text::tr("校验不一致：首个不同在 %1（应为 %2，读出 %3）。")
                   .arg(flashAddressText(address), byteText(expected), byteText(actual));
        break;
    case FlashError::OutOfRange:
        return length == 0 ? Text::tr("范围为空。")
                           : Text::tr("范围 %1 超出芯片。").arg(rangeText(address, length));
    case FlashError::Unaligned:
        return Text::tr("擦除范围 %1 未对齐到 %2 的擦除单元。")
            .arg(rangeText(address, length), flashSizeText(unit));
    case FlashError::NoChip:
        return Text::tr("没有芯片应答（JEDEC ID %1）。").arg(detail);
    case FlashError::UnknownChip:
        return Text::tr("不认识的芯片（JEDEC ID %1）：既没有 SFDP 表，也不在内置芯片表中。")
            .arg(detail);
    case FlashError::Protected:
        return Text::tr("范围 %1 受写保护（状态寄存器 1 为 %2：%3），未作改动；可选择解除保护。")
            .arg(rangeText(address, length), byteText(status), detail);
    case FlashError::StatusLocked:
        return Text::tr(
                   "无法解除写保护：状态寄存器被锁定（状态寄存器 1 为 %1：%2，WP# 为低电平）。")
            .arg(byteText(status), detail);
    }
    if (!regions.isEmpty())
        text += Text::tr("芯片现状：%1。").arg(regionsText(regions));
    return text;
}

int FlashResult::exitCode() const
{
    switch (error) {
    case FlashError::None:
        return 0;
    case FlashError::Cancelled:
    case FlashError::LinkFailed:
    case FlashError::BusyTimeout:
        return 1;
    case FlashError::VerifyMismatch:
        return 2;
    case FlashError::LinkUnsuitable:
    case FlashError::OutOfRange:
    case FlashError::Unaligned:
        return 3;
    case FlashError::NoChip:
    case FlashError::UnknownChip:
    case FlashError::Protected:
    case FlashError::StatusLocked:
        return 4;
    }
    return 1;
}
