#pragma once
// The flash programmer's window, opened from the main window's tools menu and living beside it
// (not modal): it identifies the SPI NOR flash behind the panel's adapter and chip select and
// reads it to a file, writes a file at an offset, verifies a file or erases a range or the
// whole chip, with progress, rate, time left and a cancel button.
//
// It shares the main window's adapter session: a job holds the session from start to end, so
// the main window's requests are refused meanwhile. Each finished job leaves one line in the
// main window's traffic log; the flash's bytes are not echoed.

#include "adapter/adaptersession.h"
#include "adapter/spisettings.h"
#include "flash/flashjobrunner.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TrafficLog;

class FlashWindow : public QWidget
{
    Q_OBJECT

public:
    using SettingsSource = std::function<PanelSettings()>;

    // `settings` gives the panel's device, channel, mode and clock when a job starts; `log`
    // takes each job's line.
    FlashWindow(AdapterSession &session, SettingsSource settings, TrafficLog *log,
                QWidget *parent = nullptr);
    ~FlashWindow() override;

    FlashJobRunner &jobRunner() { return runner; }

protected:
    // A job under way is cancelled: it stops after the operation under way and logs its line.
    void closeEvent(QCloseEvent *event) override;

private:
    void identify();
    void readToFile();
    void writeFile();
    void verifyFile();
    void eraseRange();
    void eraseChip();

    // The offset and length boxes; false (and a warning) when one cannot be read. An empty
    // length is 0: up to the chip's end.
    bool range(quint64 *offset, quint64 *length);
    // A file to write or verify, read whole; false (and a warning) when it cannot be read.
    bool chooseImage(const QString &title, QByteArray *image);
    void startJob(const FlashJob &job, const QString &readFile = QString());
    void showChip(const FlashChip &chip);
    void showProgress(bool now);
    void finishJob(const FlashRun &run);
    void setRunning(bool running);
    void warn(const QString &message);
    bool confirm(const QString &question);

    FlashJobRunner runner;
    SettingsSource settings;
    TrafficLog *log;
    QElapsedTimer sinceShown; // the pace's text changes at most ten times a second

    QLabel *makerLabel, *partLabel, *idLabel, *sizeLabel, *pageLabel, *erasesLabel, *sourceLabel;
    QLineEdit *offsetEdit, *lengthEdit;
    QCheckBox *verifyCheck, *unprotectCheck;
    QPushButton *identifyButton, *readButton, *writeButton, *verifyButton, *eraseButton,
        *chipEraseButton, *cancelButton;
    QProgressBar *progressBar;
    QLabel *paceLabel, *resultLabel;
};
