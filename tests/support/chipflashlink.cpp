#include "chipflashlink.h"

#include <QTimer>

void ChipFlashLink::exchange(const QByteArray &out, int readCount, Done done)
{
    const bool ok = sent.size() != failAt;
    sent.append({out, readCount});
    QByteArray in;
    if (onSend)
        onSend(out);
    const bool program = !out.isEmpty() && (out[0] == '\x02' || out[0] == '\x12');
    const bool dropped = program && programs++ == dropProgram;
    if (ok && !dropped) {
        chip.select();
        for (char byte : out)
            chip.exchange(uint8_t(byte));
        for (int i = 0; i < readCount; ++i)
            in.append(char(chip.exchange(0xFF)));
        chip.deselect();
    }
    clock.advance(uint64_t(roundTripUs + out.size() + readCount));
    QTimer::singleShot(0, [done, ok, in] {
        done(ok, ok ? in : QByteArray(), ok ? QString() : QStringLiteral("写读数据失败！"));
    });
}
