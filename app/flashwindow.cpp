// The flash programmer's window: its controls, the jobs they start and what they show.

#include "app/flashwindow.h"

#include "flash/flashnumber.h"
#include "transfer/trafficlog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

const char binaryFilter[] = QT_TRANSLATE_NOOP("FlashWindow", "Binary files (*.bin);;Any files (*)");

QLabel *valueLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(QStringLiteral("—"), parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

template <typename Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

FlashWindow::FlashWindow(AdapterSession &session, SettingsSource settings, TrafficLog *log,
                         QWidget *parent)
    : QWidget(parent, Qt::Window), runner(session), settings(std::move(settings)), log(log)
{
    setObjectName(QStringLiteral("FlashWindow"));
    setWindowTitle(tr("闪存编程"));

    auto *chipBox = new QGroupBox(tr("芯片"), this);
    auto *chipForm = new QFormLayout(chipBox);
    makerLabel = valueLabel(chipBox, "makerLabel");
    partLabel = valueLabel(chipBox, "partLabel");
    idLabel = valueLabel(chipBox, "idLabel");
    sizeLabel = valueLabel(chipBox, "sizeLabel");
    pageLabel = valueLabel(chipBox, "pageLabel");
    erasesLabel = valueLabel(chipBox, "erasesLabel");
    sourceLabel = valueLabel(chipBox, "sourceLabel");
    chipForm->addRow(tr("厂商："), makerLabel);
    chipForm->addRow(tr("型号："), partLabel);
    chipForm->addRow(tr("JEDEC ID："), idLabel);
    chipForm->addRow(tr("容量："), sizeLabel);
    chipForm->addRow(tr("页大小："), pageLabel);
    chipForm->addRow(tr("擦除单元："), erasesLabel);
    chipForm->addRow(tr("参数来源："), sourceLabel);
    identifyButton = named(new QPushButton(tr("识别芯片"), chipBox), "identifyButton");
    chipForm->addRow(identifyButton);

    auto *jobBox = new QGroupBox(tr("操作"), this);
    auto *jobGrid = new QGridLayout(jobBox);
    offsetEdit = named(new QLineEdit(QStringLiteral("0"), jobBox), "offsetEdit");
    lengthEdit = named(new QLineEdit(jobBox), "lengthEdit");
    lengthEdit->setPlaceholderText(tr("到芯片末尾"));
    offsetEdit->setToolTip(tr("十进制或 0x 开头的十六进制，可带 K、M 后缀"));
    lengthEdit->setToolTip(offsetEdit->toolTip());
    verifyCheck = named(new QCheckBox(tr("写入后校验"), jobBox), "verifyCheck");
    verifyCheck->setChecked(true);
    unprotectCheck = named(new QCheckBox(tr("解除写保护"), jobBox), "unprotectCheck");
    readButton = named(new QPushButton(tr("读取到文件…"), jobBox), "readButton");
    writeButton = named(new QPushButton(tr("写入文件…"), jobBox), "writeButton");
    verifyButton = named(new QPushButton(tr("校验文件…"), jobBox), "verifyButton");
    eraseButton = named(new QPushButton(tr("擦除范围"), jobBox), "eraseButton");
    chipEraseButton = named(new QPushButton(tr("整片擦除"), jobBox), "chipEraseButton");
    jobGrid->addWidget(new QLabel(tr("起始地址："), jobBox), 0, 0);
    jobGrid->addWidget(offsetEdit, 0, 1);
    jobGrid->addWidget(new QLabel(tr("长度："), jobBox), 0, 2);
    jobGrid->addWidget(lengthEdit, 0, 3);
    jobGrid->addWidget(verifyCheck, 1, 0, 1, 2);
    jobGrid->addWidget(unprotectCheck, 1, 2, 1, 2);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button :
         {readButton, writeButton, verifyButton, eraseButton, chipEraseButton})
        buttons->addWidget(button);
    jobGrid->addLayout(buttons, 2, 0, 1, 4);

    progressBar = named(new QProgressBar(this), "progressBar");
    progressBar->setRange(0, 1000);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    paceLabel = named(new QLabel(this), "paceLabel");
    cancelButton = named(new QPushButton(tr("取消"), this), "cancelButton");
    resultLabel = named(new QLabel(this), "resultLabel");
    resultLabel->setWordWrap(true);
    resultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(progressBar, 1);
    progressRow->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chipBox);
    layout->addWidget(jobBox);
    layout->addLayout(progressRow);
    layout->addWidget(paceLabel);
    layout->addWidget(resultLabel);
    layout->addStretch(1);

    connect(identifyButton, &QPushButton::clicked, this, &FlashWindow::identify);
    connect(readButton, &QPushButton::clicked, this, &FlashWindow::readToFile);
    connect(writeButton, &QPushButton::clicked, this, &FlashWindow::writeFile);
    connect(verifyButton, &QPushButton::clicked, this, &FlashWindow::verifyFile);
    connect(eraseButton, &QPushButton::clicked, this, &FlashWindow::eraseRange);
    connect(chipEraseButton, &QPushButton::clicked, this, &FlashWindow::eraseChip);
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        runner.cancel();
        cancelButton->setEnabled(false);
        paceLabel->setText(tr("正在取消：当前操作完成后停止……"));
    });
    connect(&runner, &FlashJobRunner::identified, this, &FlashWindow::showChip);
    connect(&runner, &FlashJobRunner::progress, this, [this] { showProgress(false); });
    connect(&runner, &FlashJobRunner::finished, this, &FlashWindow::finishJob);
    setRunning(false);
}

FlashWindow::~FlashWindow() = default;

void FlashWindow::closeEvent(QCloseEvent *event)
{
    runner.cancel();
    event->accept();
}

void FlashWindow::warn(const QString &message)
{
    QMessageBox::warning(this, tr("警告"), message, QMessageBox::Ok, QMessageBox::NoButton);
}

bool FlashWindow::confirm(const QString &question)
{
    return QMessageBox::question(this, tr("闪存编程"), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool FlashWindow::range(quint64 *offset, quint64 *length)
{
    if (!parseFlashNumber(offsetEdit->text(), offset)) {
        warn(
            tr("起始地址“%1”无效：请输入十进制数或 0x 开头的十六进制数。").arg(offsetEdit->text()));
        return false;
    }
    *length = 0;
    if (!lengthEdit->text().trimmed().isEmpty() &&
        (!parseFlashNumber(lengthEdit->text(), length) || *length == 0)) {
        warn(tr("长度“%1”无效：请输入大于 0 的十进制数或 0x 开头的十六进制数，留空表示到芯片末尾。")
                 .arg(lengthEdit->text()));
        return false;
    }
    return true;
}

bool FlashWindow::chooseImage(const QString &title, QByteArray *image)
{
    const QString path = QFileDialog::getOpenFileName(this, title, QString(), tr(binaryFilter));
    if (path.isNull())
        return false;
    QString error;
    if (!FlashJobRunner::readImage(path, image, &error)) {
        warn(error);
        return false;
    }
    return true;
}

void FlashWindow::identify()
{
    startJob(FlashJob());
}

void FlashWindow::readToFile()
{
    FlashJob job;
    job.kind = FlashJob::Kind::Read;
    if (!range(&job.offset, &job.length))
        return;
    const QString path =
        QFileDialog::getSaveFileName(this, tr("读取到文件"), QString(), tr(binaryFilter));
    if (path.isNull())
        return;
    startJob(job, path);
}

void FlashWindow::writeFile()
{
    FlashJob job;
    job.kind = FlashJob::Kind::Write;
    quint64 ignored = 0;
    if (!range(&job.offset, &ignored) || !chooseImage(tr("写入文件"), &job.image))
        return;
    job.verify = verifyCheck->isChecked();
    job.unprotect = unprotectCheck->isChecked();
    startJob(job);
}

void FlashWindow::verifyFile()
{
    FlashJob job;
    job.kind = FlashJob::Kind::Verify;
    quint64 ignored = 0;
    if (!range(&job.offset, &ignored) || !chooseImage(tr("校验文件"), &job.image))
        return;
    startJob(job);
}

void FlashWindow::eraseRange()
{
    FlashJob job;
    job.kind = FlashJob::Kind::Erase;
    if (!range(&job.offset, &job.length))
        return;
    const QString question =
        job.length == 0 ? tr("确定擦除从 %1 到芯片末尾的内容？").arg(flashAddressText(job.offset))
                        : tr("确定擦除从 %1 起的 %2？")
                              .arg(flashAddressText(job.offset), flashSizeText(job.length));
    if (!confirm(question))
        return;
    job.unprotect = unprotectCheck->isChecked();
    startJob(job);
}

void FlashWindow::eraseChip()
{
    if (!confirm(tr("确定擦除整片闪存？芯片上的全部内容都将丢失。")))
        return;
    FlashJob job;
    job.kind = FlashJob::Kind::Erase;
    job.chipErase = true;
    job.unprotect = unprotectCheck->isChecked();
    startJob(job);
}

void FlashWindow::startJob(const FlashJob &job, const QString &readFile)
{
    QString error;
    if (!runner.start(settings(), job, readFile, &error)) {
        if (!error.isEmpty())
            warn(error);
        return;
    }
    progressBar->setValue(0);
    resultLabel->clear();
    paceLabel->setText(tr("%1……").arg(FlashRun::jobName(job.kind)));
    setRunning(true);
}

void FlashWindow::showChip(const FlashChip &chip)
{
    const auto orDash = [](const QString &text) {
        return text.isEmpty() ? QStringLiteral("—") : text;
    };
    makerLabel->setText(orDash(chip.manufacturer));
    partLabel->setText(orDash(chip.part));
    idLabel->setText(QString::fromLatin1(chip.jedecId.toHex(' ').toUpper()));
    QStringList erases;
    for (const FlashErase &erase : chip.erases)
        erases << flashSizeText(erase.size);
    if (!chip.known()) {
        sizeLabel->setText(tr("未知"));
        pageLabel->setText(QStringLiteral("—"));
        erasesLabel->setText(QStringLiteral("—"));
        sourceLabel->setText(tr("无：没有 SFDP 表，内置芯片表中也没有"));
        return;
    }
    sizeLabel->setText(flashSizeText(chip.size));
    pageLabel->setText(tr("%1 字节").arg(chip.pageSize));
    erasesLabel->setText(erases.isEmpty() ? tr("仅整片") : erases.join(QLatin1Char('/')));
    switch (chip.source) {
    case FlashChip::Source::Sfdp:
        sourceLabel->setText(tr("芯片的 SFDP 表"));
        break;
    case FlashChip::Source::Table:
        sourceLabel->setText(tr("内置芯片表"));
        break;
    case FlashChip::Source::Assumed:
    case FlashChip::Source::None:
        sourceLabel->setText(tr("指定容量"));
        break;
    }
}

void FlashWindow::showProgress(bool now)
{
    const FlashPace &pace = runner.pace();
    progressBar->setValue(pace.permille());
    if (!now && sinceShown.isValid() && sinceShown.elapsed() < 100 && pace.permille() < 1000)
        return;
    sinceShown.start();
    paceLabel->setText(pace.text());
}

void FlashWindow::finishJob(const FlashRun &run)
{
    setRunning(false);
    if (run.ok())
        progressBar->setValue(1000);
    paceLabel->setText(run.ok() ? tr("完成，用时 %1").arg(FlashPace::durationText(run.elapsedMs))
                                : QString());
    resultLabel->setText(run.text());
    if (log)
        log->appendNote(run.logLine());
    if (!run.ok() && run.result.error != FlashError::Cancelled)
        warn(run.text());
}

void FlashWindow::setRunning(bool running)
{
    const QList<QWidget *> controls = {identifyButton, readButton,      writeButton, verifyButton,
                                       eraseButton,    chipEraseButton, offsetEdit,  lengthEdit,
                                       verifyCheck,    unprotectCheck};
    for (QWidget *widget : controls)
        widget->setEnabled(!running);
    cancelButton->setEnabled(running);
}
