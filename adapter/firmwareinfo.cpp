#include "adapter/firmwareinfo.h"

#include <QCoreApplication>

#include <cstring>

namespace
{

struct Text {
    Q_DECLARE_TR_FUNCTIONS(FirmwareInfo)
};

QString fieldText(const char *field, size_t size)
{
    const void *nul = std::memchr(field, 0, size);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char *>(nul) - field) : size;
    return QString::fromUtf8(field, static_cast<int>(length));
}

} // namespace

QString formatVersion(uint32_t version)
{
    return QStringLiteral("v%1.%2.%3")
        .arg(version >> 24)
        .arg((version >> 16) & 0xFF)
        .arg(version & 0xFFFF);
}

QString formatFirmwareInfo(const DeviceInfo &info,
                           const char (&functions)[TELKOR_FUNCTION_TEXT_SIZE])
{
    QString serial;
    for (uint32_t word : info.serialNumber)
        serial += QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0')).toUpper();

    QString text;
    text += Text::tr("固件名称: ") + fieldText(info.firmwareName, sizeof info.firmwareName) +
            QLatin1Char('\n');
    text += Text::tr("编译日期: ") + fieldText(info.buildDate, sizeof info.buildDate) +
            QLatin1Char('\n');
    text += Text::tr("固件版本: ") + formatVersion(info.firmwareVersion) + QLatin1Char('\n');
    text += Text::tr("硬件版本: ") + formatVersion(info.hardwareVersion) + QLatin1Char('\n');
    text += Text::tr("设备序号: ") + serial + QLatin1Char('\n');
    text += Text::tr("固件功能: ") + fieldText(functions, TELKOR_FUNCTION_TEXT_SIZE);
    return text;
}
