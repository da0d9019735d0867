// The flash engine's jobs as chains of bus requests.

#include "flash/flashengine.h"

#include "bus/flashcommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace
{

QByteArray bytes(std::initializer_list<quint8> list)
{
    QByteArray made;
    for (quint8 byte : list)
        made.append(char(byte));
    return made;
}

bool allEqual(const QByteArray &bytes, char value)
{
    return std::all_of(bytes.begin(), bytes.end(), [value](char b) { return b == value; });
}

} // namespace

FlashEngine::FlashEngine(FlashLink *link, QObject *parent)
    : QObject(parent), link(link), clock(&FlashEngine::monotonicUs)
{
    qRegisterMetaType<FlashChip>();
    qRegisterMetaType<FlashResult>();
    qRegisterMetaType<FlashPhase>();
}

FlashEngine::~FlashEngine() = default;

void FlashEngine::setClock(Clock given)
{
    clock = std::move(given);
}

void FlashEngine::setPollIntervalMs(int milliseconds)
{
    pollMaxMs = std::max(0, milliseconds);
}

bool FlashEngine::start(const FlashJob &given)
{
    if (running)
        return false;
    running = true;
    cancelRequested = false;
    job = given;
    result = FlashResult();
    result.job = job.kind;
    found = FlashChip();
    plan.reset();
    eraseSteps.clear();
    fourByteEntered = false;
    phase = FlashPhase::Identify;
    done = 0;
    const quint64 current = ++generation;
    QTimer::singleShot(0, this, [this, current] { run(current); });
    return true;
}

qint64 FlashEngine::monotonicUs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return timer.nsecsElapsed() / 1000;
}

void FlashEngine::cancel()
{
    if (running)
        cancelRequested = true;
}

void FlashEngine::send(const QByteArray &out, int readCount, Answer next)
{
    const quint64 current = generation;
    QPointer<FlashEngine> self(this);
    link->exchange(out, readCount,
                   [self, current, readCount, next = std::move(next)](bool ok, const QByteArray &in,
                                                                      const QString &error) {
                       if (!self || self->generation != current)
                           return;
                       if (!ok)
                           self->failLink(error);
                       else if (in.size() != readCount)
                           self->failLink(QCoreApplication::translate("FlashEngine",
                                                                      "应读 %1 字节，收到 %2 字节")
                                              .arg(readCount)
                                              .arg(in.size()));
                       else
                           next(in);
                   });
}

void FlashEngine::sendEnabled(const QByteArray &command, Next next)
{
    send(bytes({FlashCommand::WriteEnable}), 0,
         [=](const QByteArray &) { send(command, 0, [next](const QByteArray &) { next(); }); });
}

void FlashEngine::run(quint64 current)
{
    if (current != generation)
        return;
    const QString unsuitable = link->unsuitable();
    if (!unsuitable.isEmpty()) {
        result.detail = unsuitable;
        fail(FlashError::LinkUnsuitable);
        return;
    }
    identify();
}

// Identification: the JEDEC id, then the SFDP header with its parameter headers, the basic
// table and, above 16 MiB, the 4-byte table.
void FlashEngine::identify()
{
    send(bytes({FlashCommand::ReadJedecId}), 3, [this](const QByteArray &id) {
        found.jedecId = id;
        if (allEqual(id, '\xFF') || allEqual(id, '\0')) {
            result.detail = QString::fromLatin1(id.toHex(' ').toUpper());
            fail(FlashError::NoChip);
            return;
        }
        found.manufacturer = QString::fromLatin1(jedecManufacturerName(quint8(id[0])));
        readSfdp(findFlashChip(quint8(id[0]), quint8(id[1]), quint8(id[2])));
    });
}

void FlashEngine::readSfdp(const FlashChipInfo *row)
{
    const auto sfdpRead = [](quint32 address) {
        return bytes({FlashCommand::ReadSfdp, quint8(address >> 16), quint8(address >> 8),
                      quint8(address), 0xFF});
    };
    send(sfdpRead(0), Sfdp::startBytes, [=](const QByteArray &start) {
        const Sfdp::Location basic = Sfdp::find(start, Sfdp::basicId);
        if (!Sfdp::hasSignature(start) || basic.bytes == 0) {
            resolve(row, false);
            return;
        }
        const Sfdp::Location fourByte = Sfdp::find(start, Sfdp::fourByteId);
        send(sfdpRead(basic.address), std::min(basic.bytes, 256), [=](const QByteArray &table) {
            sfdp = Sfdp();
            if (!sfdp.parseBasic(table)) {
                resolve(row, false);
            } else if (sfdp.size > 16 * 1024 * 1024 && fourByte.bytes >= 8) {
                send(sfdpRead(fourByte.address), 8, [=](const QByteArray &table) {
                    sfdp.parseFourByte(table);
                    resolve(row, true);
                });
            } else {
                resolve(row, true);
            }
        });
    });
}

void FlashEngine::resolve(const FlashChipInfo *row, bool useSfdp)
{
    if (useSfdp) {
        found.takeSfdp(sfdp, row);
        found.source = FlashChip::Source::Sfdp;
    } else if (row) {
        found.takeRow(*row);
        found.source = FlashChip::Source::Table;
    } else if (job.assumedSize > 0 &&
               (job.kind == FlashJob::Kind::Read || job.kind == FlashJob::Kind::Verify)) {
        // Reading needs nothing but the size (and 4-byte addresses above 16 MiB).
        found.size = job.assumedSize;
        found.source = FlashChip::Source::Assumed;
        if (found.size > 16 * 1024 * 1024) {
            found.addressing = FlashAddressing::FourByteMode;
            found.enter = FlashChip::Enter::B7;
        }
    }
    if (row) {
        found.part = QString::fromLatin1(row->part);
        found.protection = row->protection;
    }
    if (found.known())
        found.fillMissingTimes();
    emit identified(found);
    dispatch();
}

bool FlashEngine::checkRange(quint64 length)
{
    result.rangeStart = job.offset;
    result.rangeLength = length;
    if (length == 0 || job.offset >= found.size || length > found.size - job.offset) {
        result.address = job.offset;
        result.length = length;
        fail(FlashError::OutOfRange);
        return false;
    }
    return true;
}

void FlashEngine::dispatch()
{
    if (job.kind == FlashJob::Kind::Identify) {
        finish();
        return;
    }
    if (!found.known()) {
        result.detail = QString::fromLatin1(found.jedecId.toHex(' ').toUpper());
        fail(FlashError::UnknownChip);
        return;
    }
    const quint64 toEnd = job.offset < found.size ? found.size - job.offset : 0;
    switch (job.kind) {
    case FlashJob::Kind::Identify:
        break;
    case FlashJob::Kind::Read:
        if (!checkRange(job.length > 0 ? job.length : toEnd))
            return;
        enterFourByte([this] {
            readRange(
                FlashPhase::Read, job.offset, result.rangeLength,
                [this](quint64 address, const QByteArray &in) {
                    result.readBytes += quint64(in.size());
                    if (job.keepData)
                        result.data.append(in);
                    emit dataRead(address, in);
                    return true;
                },
                [this] { finish(); });
        });
        break;
    case FlashJob::Kind::Verify:
        if (!checkRange(quint64(job.image.size())))
            return;
        enterFourByte([this] {
            readRange(
                FlashPhase::Verify, job.offset, result.rangeLength,
                [this](quint64 address, const QByteArray &in) {
                    const char *wanted = job.image.constData() + (address - job.offset);
                    for (int i = 0; i < in.size(); ++i) {
                        if (in[i] != wanted[i]) {
                            result.address = address + quint64(i);
                            result.expected = quint8(wanted[i]);
                            result.actual = quint8(in[i]);
                            fail(FlashError::VerifyMismatch);
                            return false;
                        }
                    }
                    result.readBytes += quint64(in.size());
                    return true;
                },
                [this] {
                    result.verified = true;
                    finish();
                });
        });
        break;
    case FlashJob::Kind::Erase: {
        const quint64 length = job.length > 0 ? job.length : toEnd;
        if (!checkRange(length))
            return;
        const quint64 end = job.offset + length;
        if (job.chipErase || (job.offset == 0 && end == found.size)) {
            FlashErase whole;
            whole.size = quint32(std::min<quint64>(found.size, 0xFFFFFFFFu));
            whole.opcode = FlashCommand::ChipErase;
            whole.maxUs = found.chipEraseMaxUs;
            eraseSteps = {{0, whole}};
            result.rangeStart = 0;
            result.rangeLength = found.size;
        } else {
            const quint64 unit = found.erases.isEmpty() ? found.size : found.erases.first().size;
            if (job.offset % unit != 0 || end % unit != 0) {
                result.address = job.offset;
                result.length = length;
                result.unit = unit;
                fail(FlashError::Unaligned);
                return;
            }
            eraseSteps = WritePlan::chooseErases(found.erases, job.offset, end,
                                                 [](quint64) { return true; });
        }
        checkProtection(result.rangeStart, result.rangeStart + result.rangeLength, [this] {
            enterFourByte([this] {
                afterPhase = [this] { finish(); };
                startErasing();
            });
        });
        break;
    }
    case FlashJob::Kind::Write:
        if (!checkRange(quint64(job.image.size())))
            return;
        if (found.erases.isEmpty() && !job.chipErase) {
            result.detail = QString::fromLatin1(found.jedecId.toHex(' ').toUpper());
            fail(FlashError::UnknownChip);
            return;
        }
        plan = std::make_unique<WritePlan>(found, job.offset, job.image);
        if (job.chipErase)
            checkProtection(0, found.size, [this] { enterFourByte([this] { startWrite(); }); });
        else
            checkProtection(plan->start(), plan->end(),
                            [this] { enterFourByte([this] { startWrite(); }); });
        break;
    }
}

void FlashEngine::checkProtection(quint64 start, quint64 end, Next next)
{
    send(bytes({FlashCommand::ReadStatus1}), 1, [=](const QByteArray &in) {
        const quint8 status = quint8(in[0]);
        const auto range = found.protectedRange(status);
        if (range.first >= end || start >= range.second) {
            next();
        } else if (!job.unprotect) {
            result.status = status;
            result.address = range.first;
            result.length = range.second - range.first;
            result.detail = found.protectionBits(status);
            fail(FlashError::Protected);
        } else {
            unprotect(status, start, end, next);
        }
    });
}

// Write enable, write status 1 without the protection bits, wait, and read it again: with
// SRWD set and WP# low the chip ignores the write.
void FlashEngine::unprotect(quint8 status, quint64 start, quint64 end, Next next)
{
    phase = FlashPhase::Unprotect;
    emit progress(phase, 0, 1);
    const quint8 cleared = status & ~found.protectionMask() & ~quint8(0x03);
    sendEnabled(bytes({FlashCommand::WriteStatus, cleared}), [=] {
        waitReady(FlashOperation::WriteStatus, 0, 0, found.writeStatusMaxUs, true, [=] {
            send(bytes({FlashCommand::ReadStatus1}), 1, [=](const QByteArray &in) {
                const quint8 now = quint8(in[0]);
                const auto range = found.protectedRange(now);
                if (range.first >= end || start >= range.second) {
                    emit progress(phase, 1, 1);
                    next();
                    return;
                }
                // The chip ignored the write and kept its write enable: take it back.
                send(bytes({FlashCommand::WriteDisable}), 0, [=](const QByteArray &) {
                    send(bytes({FlashCommand::ReadStatus1}), 1, [=](const QByteArray &in) {
                        const quint8 left = quint8(in[0]);
                        result.status = left;
                        result.address = range.first;
                        result.length = range.second - range.first;
                        result.detail = found.protectionBits(left);
                        fail(left & FlashStatus::StatusWriteDisable ? FlashError::StatusLocked
                                                                    : FlashError::Protected);
                    });
                });
            });
        });
    });
}

void FlashEngine::enterFourByte(Next next)
{
    if (found.addressing != FlashAddressing::FourByteMode ||
        found.enter == FlashChip::Enter::None) {
        next();
        return;
    }
    const auto enter = [this, next] {
        send(bytes({FlashCommand::Enter4ByteMode}), 0, [this, next](const QByteArray &) {
            fourByteEntered = true;
            next();
        });
    };
    if (found.enter == FlashChip::Enter::WriteEnableB7)
        send(bytes({FlashCommand::WriteEnable}), 0, [enter](const QByteArray &) { enter(); });
    else
        enter();
}

// Reads [start, start + length) in calls as large as the link takes, each one assertion.
void FlashEngine::readRange(FlashPhase readPhase, quint64 start, quint64 length, Sink sink,
                            Next then)
{
    phase = readPhase;
    reading.start = reading.at = start;
    reading.end = start + length;
    reading.total = length;
    reading.sink = std::move(sink);
    reading.done = std::move(then);
    emit progress(phase, 0, length);
    readNext();
}

void FlashEngine::readNext()
{
    if (reading.at >= reading.end) {
        const Next then = reading.done;
        then();
        return;
    }
    if (cancelRequested) {
        fail(FlashError::Cancelled);
        return;
    }
    const QByteArray command = found.command(found.readOpcode, reading.at);
    const int count = int(std::min<quint64>(quint64(link->transferLimit() - command.size()),
                                            reading.end - reading.at));
    send(command, count, [this](const QByteArray &in) {
        const quint64 address = reading.at;
        if (!reading.sink(address, in))
            return;
        reading.at += quint64(in.size());
        emit progress(phase, reading.at - reading.start, reading.total);
        readNext();
    });
}

void FlashEngine::startWrite()
{
    if (job.chipErase) {
        plan->planChipErase();
        eraseSteps = plan->erases();
        afterPhase = [this] { startProgramming(); };
        startErasing();
        return;
    }
    readRange(
        FlashPhase::Compare, plan->start(), plan->end() - plan->start(),
        [this](quint64 address, const QByteArray &in) {
            plan->compare(address, in);
            return true;
        },
        [this] {
            plan->plan();
            eraseSteps = plan->erases();
            afterPhase = [this] { startProgramming(); };
            startErasing();
        });
}

void FlashEngine::startErasing()
{
    phase = FlashPhase::Erase;
    done = 0;
    eraseTotal = 0;
    for (const WritePlan::Erase &erase : eraseSteps)
        eraseTotal += erase.type.size;
    if (!eraseSteps.isEmpty())
        emit progress(phase, 0, eraseTotal);
    eraseNext();
}

void FlashEngine::eraseNext()
{
    if (done >= eraseSteps.size()) {
        const Next then = afterPhase;
        then();
        return;
    }
    if (cancelRequested) {
        fail(FlashError::Cancelled);
        return;
    }
    const WritePlan::Erase step = eraseSteps[done];
    const bool whole = step.type.opcode == FlashCommand::ChipErase;
    const QByteArray command =
        whole ? bytes({FlashCommand::ChipErase}) : found.command(step.type.opcode, step.address);
    sendEnabled(command, [=] {
        waitReady(whole ? FlashOperation::ChipErase : FlashOperation::Erase, step.address,
                  step.type.size, step.type.maxUs, true, [=] {
                      ++done;
                      ++result.eraseCommands;
                      result.erasedBytes += step.type.size;
                      emit progress(phase, result.erasedBytes, eraseTotal);
                      eraseNext();
                  });
    });
}

void FlashEngine::startProgramming()
{
    phase = FlashPhase::Program;
    done = 0;
    if (!plan->programs().isEmpty())
        emit progress(phase, 0, plan->programBytes());
    programNext();
}

void FlashEngine::programNext()
{
    const QVector<WritePlan::Program> &programs = plan->programs();
    if (done >= programs.size()) {
        startVerifying();
        return;
    }
    if (cancelRequested) {
        fail(FlashError::Cancelled);
        return;
    }
    const WritePlan::Program step = programs[done];
    const QByteArray command =
        found.command(found.programOpcode, step.address) + plan->bytes(step.address, step.length);
    sendEnabled(command, [=] {
        waitReady(FlashOperation::PageProgram, step.address, quint64(step.length),
                  found.pageProgramMaxUs, false, [=] {
                      ++done;
                      ++result.programCommands;
                      result.programmedBytes += quint64(step.length);
                      emit progress(phase, result.programmedBytes, plan->programBytes());
                      programNext();
                  });
    });
}

void FlashEngine::startVerifying()
{
    // Nothing changed: the comparison already showed the chip holds the image.
    if (!job.verify || (plan->erases().isEmpty() && plan->programs().isEmpty())) {
        finish();
        return;
    }
    const quint64 start = plan->verifyStart();
    readRange(
        FlashPhase::Verify, start, plan->verifyEnd() - start,
        [this](quint64 address, const QByteArray &in) {
            const QByteArray wanted = plan->bytes(address, in.size());
            for (int i = 0; i < in.size(); ++i) {
                if (in[i] != wanted[i]) {
                    result.address = address + quint64(i);
                    result.expected = quint8(wanted[i]);
                    result.actual = quint8(in[i]);
                    fail(FlashError::VerifyMismatch);
                    return false;
                }
            }
            return true;
        },
        [this] {
            result.verified = true;
            finish();
        });
}

void FlashEngine::waitReady(FlashOperation operation, quint64 address, quint64 length,
                            qint64 boundUs, bool patient, Next next)
{
    waiting.operation = operation;
    waiting.address = address;
    waiting.length = length;
    waiting.boundUs = boundUs;
    waiting.patient = patient;
    waiting.startUs = now();
    waiting.next = std::move(next);
    pollStatus();
}

void FlashEngine::pollStatus()
{
    // The time is taken when the poll is sent: only a chip that is still busy when asked after
    // its longest time is late, however long the answer then takes to come back (a loaded
    // computer, a slow adapter).
    const qint64 sentUs = now();
    send(bytes({FlashCommand::ReadStatus1}), 1, [this, sentUs](const QByteArray &in) {
        if (!(quint8(in[0]) & FlashStatus::Busy)) {
            const Next next = std::move(waiting.next);
            next();
            return;
        }
        const qint64 waited = sentUs - waiting.startUs;
        if (waited > waiting.boundUs) {
            result.operation = waiting.operation;
            result.address = waiting.address;
            result.length = waiting.length;
            result.boundUs = waiting.boundUs;
            fail(FlashError::BusyTimeout, true);
            return;
        }
        if (!waiting.patient) {
            pollStatus();
            return;
        }
        const int pause = int(std::min<qint64>(waited / 8000, pollMaxMs));
        const quint64 current = generation;
        QTimer::singleShot(pause, this, [this, current] {
            if (current == generation)
                pollStatus();
        });
    });
}

void FlashEngine::failLink(const QString &message)
{
    result.detail = message;
    fail(FlashError::LinkFailed, true);
}

void FlashEngine::fail(FlashError error, bool midOperation)
{
    result.error = error;
    // What a write or erase that stopped midway left behind; a verify difference is its own
    // report.
    const bool changing = phase == FlashPhase::Erase || phase == FlashPhase::Program ||
                          phase == FlashPhase::Verify || phase == FlashPhase::Compare;
    if (changing && error != FlashError::VerifyMismatch) {
        if (job.kind == FlashJob::Kind::Erase)
            result.regions = eraseRegions(result.rangeStart, result.rangeStart + result.rangeLength,
                                          eraseSteps, done, midOperation);
        else if (job.kind == FlashJob::Kind::Write && phase == FlashPhase::Compare)
            result.regions = {
                {job.offset, quint64(job.image.size()), FlashRegion::State::Unchanged}};
        else if (job.kind == FlashJob::Kind::Write)
            result.regions = plan->regions(phase, done, midOperation, reading.at);
    }
    finish();
}

void FlashEngine::finish()
{
    // Leave 4-byte mode as the chip was found, unless the bus itself failed.
    if (fourByteEntered && result.error != FlashError::LinkFailed) {
        fourByteEntered = false;
        const quint64 current = generation;
        QPointer<FlashEngine> self(this);
        link->exchange(bytes({FlashCommand::Exit4ByteMode}), 0,
                       [self, current](bool, const QByteArray &, const QString &) {
                           if (self && self->generation == current)
                               self->emitFinished();
                       });
        return;
    }
    emitFinished();
}

void FlashEngine::emitFinished()
{
    running = false;
    ++generation;
    const FlashResult ended = result;
    result.data.clear();
    emit finished(ended);
}
