#include "adapter/adaptermessages.h"

#include <QCoreApplication>

QString adapterErrorText(AdapterError error, qint64 number)
{
    const auto text = [](const char *source) {
        return QCoreApplication::translate("AdapterSession", source);
    };
    switch (error) {
    case AdapterError::None:
        return QString();
    case AdapterError::NoDevice:
        return text("无设备连接！");
    case AdapterError::OpenFailed:
        return text("打开设备失败！");
    case AdapterError::ConfigureFailed:
        return text("配置设备失败！");
    case AdapterError::WriteFailed:
        return text("写数据失败！");
    case AdapterError::ReadFailed:
        return text("读数据失败！");
    case AdapterError::WriteReadFailed:
        return text("写读数据失败！");
    case AdapterError::SlaveWriteFailed:
        return text("从机模式写数据失败！");
    case AdapterError::SlaveRowFailed:
        return text("从机写数据失败！");
    case AdapterError::SlaveReadFailed:
        return text("从机读数据失败！");
    case AdapterError::BlockWriteFailed:
        return text("块写数据失败！");
    case AdapterError::BlockReadFailed:
        return text("块模式读数据失败！");
    case AdapterError::BlockWriteReadFailed:
        return text("块模式写读数据失败！");
    case AdapterError::BlockInSlaveMode:
        return text("不能在从机模式下进行块读写操作！");
    case AdapterError::WriteTooLong:
        return QCoreApplication::translate("AdapterSession",
                                           "写数据超过%1字节的缓冲区上限，未发送！")
            .arg(number);
    case AdapterError::ReadTooLarge:
        return QCoreApplication::translate("AdapterSession",
                                           "读数据超过%1字节的缓冲区上限，未读取！")
            .arg(number);
    case AdapterError::DeviceNotConnected:
        return text("该设备未连接！");
    case AdapterError::FirmwareInfoFailed:
        return text("获取固件信息失败！");
    case AdapterError::NeedsMaster:
        return text("从机模式下不能进行此操作！");
    }
    return QString();
}

QString sessionStepText(SessionStep step)
{
    const auto text = [](const char *source) {
        return QCoreApplication::translate("AdapterSession", source);
    };
    switch (step) {
    case SessionStep::Idle:
        return QString();
    case SessionStep::Scan:
        return text("扫描设备");
    case SessionStep::Open:
        return text("打开设备");
    case SessionStep::Configure:
        return text("配置设备");
    case SessionStep::GetInfo:
        return text("获取固件信息");
    case SessionStep::Write:
        return text("写数据");
    case SessionStep::Read:
        return text("读数据");
    case SessionStep::WriteRead:
        return text("写读数据");
    case SessionStep::SlaveRead:
        return text("从机读数据");
    case SessionStep::BlockWrite:
        return text("块写数据");
    case SessionStep::BlockRead:
        return text("块读数据");
    case SessionStep::BlockWriteRead:
        return text("块写读数据");
    }
    return QString();
}

QString blockTrainSummary(AdapterRequest::Kind kind, const TransferOutcome &outcome)
{
    using Kind = AdapterRequest::Kind;
    if (!outcome.ok() || outcome.context.call == TransferCall::None)
        return QString();
    SessionStep step;
    switch (kind) {
    case Kind::BlockWrite:
        step = SessionStep::BlockWrite;
        break;
    case Kind::BlockRead:
        step = SessionStep::BlockRead;
        break;
    case Kind::BlockWriteRead:
        step = SessionStep::BlockWriteRead;
        break;
    default:
        return QString();
    }
    // A block read echoes only what it received; the others one sent entry per block.
    int blocks = 0;
    for (const TransferOutcome::Echo &echo : outcome.echoes)
        blocks += echo.sent == (kind != Kind::BlockRead);
    return QCoreApplication::translate("AdapterSession", "%1完成：%2块，用时%3秒")
        .arg(sessionStepText(step))
        .arg(blocks)
        .arg(QString::number(outcome.context.durationUs / 1e6, 'f', 3));
}
