#include "adapter/adaptermessages.h"

#include <QCoreApplication>

namespace
{

// The warnings are the session's: their context in the catalogue (where lupdate finds them,
// which it does not through a function of our own).
struct Text {
    Q_DECLARE_TR_FUNCTIONS(AdapterSession)
};

} // namespace

QString adapterErrorText(AdapterError error, qint64 number)
{
    switch (error) {
    case AdapterError::None:
        return QString();
    case AdapterError::NoDevice:
        return Text::tr("无设备连接！");
    case AdapterError::OpenFailed:
        return Text::tr("打开设备失败！");
    case AdapterError::ConfigureFailed:
        return Text::tr("配置设备失败！");
    case AdapterError::WriteFailed:
        return Text::tr("写数据失败！");
    case AdapterError::ReadFailed:
        return Text::tr("读数据失败！");
    case AdapterError::WriteReadFailed:
        return Text::tr("写读数据失败！");
    case AdapterError::SlaveWriteFailed:
        return Text::tr("从机模式写数据失败！");
    case AdapterError::SlaveRowFailed:
        return Text::tr("从机写数据失败！");
    case AdapterError::SlaveReadFailed:
        return Text::tr("从机读数据失败！");
    case AdapterError::BlockWriteFailed:
        return Text::tr("块写数据失败！");
    case AdapterError::BlockReadFailed:
        return Text::tr("块模式读数据失败！");
    case AdapterError::BlockWriteReadFailed:
        return Text::tr("块模式写读数据失败！");
    case AdapterError::BlockInSlaveMode:
        return Text::tr("不能在从机模式下进行块读写操作！");
    case AdapterError::WriteTooLong:
        return Text::tr("写数据超过%1字节的缓冲区上限，未发送！").arg(number);
    case AdapterError::ReadTooLarge:
        return Text::tr("读数据超过%1字节的缓冲区上限，未读取！").arg(number);
    case AdapterError::DeviceNotConnected:
        return Text::tr("该设备未连接！");
    case AdapterError::FirmwareInfoFailed:
        return Text::tr("获取固件信息失败！");
    case AdapterError::NeedsMaster:
        return Text::tr("从机模式下不能进行此操作！");
    }
    return QString();
}

QString sessionStepText(SessionStep step)
{
    switch (step) {
    case SessionStep::Idle:
        return QString();
    case SessionStep::Scan:
        return Text::tr("扫描设备");
    case SessionStep::Open:
        return Text::tr("打开设备");
    case SessionStep::Configure:
        return Text::tr("配置设备");
    case SessionStep::GetInfo:
        return Text::tr("获取固件信息");
    case SessionStep::Write:
        return Text::tr("写数据");
    case SessionStep::Read:
        return Text::tr("读数据");
    case SessionStep::WriteRead:
        return Text::tr("写读数据");
    case SessionStep::SlaveRead:
        return Text::tr("从机读数据");
    case SessionStep::BlockWrite:
        return Text::tr("块写数据");
    case SessionStep::BlockRead:
        return Text::tr("块读数据");
    case SessionStep::BlockWriteRead:
        return Text::tr("块写读数据");
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
    return Text::tr("%1完成：%2块，用时%3秒")
        .arg(sessionStepText(step))
        .arg(blocks)
        .arg(QString::number(outcome.context.durationUs / 1e6, 'f', 3));
}
