#include "app/logfeatures.h"

#include "transfer/decoderdialog.h"
#include "transfer/filesaving.h"
#include "transfer/logexport.h"
#include "transfer/logfindbar.h"
#include "transfer/savefilename.h"
#include "transfer/trafficannotator.h"
#include "transfer/trafficlog.h"
#include "transfer/trafficlogview.h"
#include "transfer/waveformdock.h"
#include "transfer/waveformview.h"

#include <QAction>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>

LogFeatures::LogFeatures(QMainWindow *window, TrafficLogView *view, QMenu *viewMenu,
                         QMenu *fileMenu, QAction *before)
    : QObject(window), window(window), view(view), notes(new TrafficAnnotator(*view->log(), this)),
      dock(new WaveformDock(*view->log(), window)), finder(new LogFindBar(view)),
      showTimes(new QAction(tr("显示时间"), this)), showNotes(new QAction(tr("显示解码"), this))
{
    const auto action = [this](QAction *made, const char *name) {
        made->setObjectName(QLatin1String(name));
        this->window->addAction(made); // shortcuts work wherever the focus is
        return made;
    };
    action(showTimes, "actionShowTimes")->setCheckable(true);
    action(showNotes, "actionShowNotes")->setCheckable(true);
    QAction *decoders = action(new QAction(tr("解码器…"), this), "actionDecoders");
    QAction *find = action(new QAction(tr("查找…"), this), "actionFind");
    find->setShortcut(QKeySequence::Find);
    QAction *csv = action(new QAction(tr("另存为 CSV"), this), "actionSave_As_Csv");
    QAction *waveform = dock->toggleViewAction();
    waveform->setObjectName(QStringLiteral("actionShowWaveform"));
    viewMenu->addActions({showTimes, showNotes, decoders, waveform, find});
    fileMenu->insertAction(before, csv);

    // The dock starts hidden, so that the window looks as it always did, and opens the first time
    // an entry is chosen; after that the user opens and closes it.
    window->addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    connect(showTimes, &QAction::toggled, this, &LogFeatures::applyColumns);
    connect(showNotes, &QAction::toggled, this, &LogFeatures::applyColumns);
    connect(notes, &TrafficAnnotator::changed, view->viewport(), qOverload<>(&QWidget::update));
    connect(decoders, &QAction::triggered, this, &LogFeatures::chooseDecoders);
    connect(find, &QAction::triggered, finder, &LogFindBar::open);
    connect(csv, &QAction::triggered, this, &LogFeatures::saveCsv);
    connect(view, &TrafficLogView::currentLineChanged, dock, &WaveformDock::showEntry);
    connect(view, &TrafficLogView::currentLineChanged, this, [this] {
        if (!dockOpened) {
            dockOpened = true;
            dock->show();
        }
    });
}

LogFeatures::~LogFeatures() = default;

LogColumns LogFeatures::columns() const
{
    LogColumns shown;
    shown.times = showTimes->isChecked();
    shown.annotations = showNotes->isChecked() ? notes : nullptr;
    return shown;
}

void LogFeatures::applyColumns()
{
    view->setColumns(columns());
}

void LogFeatures::saveCsv()
{
    const QString fileName = getSaveFileNameWithSuffix(window, tr("Save File"), QString(),
                                                       tr("CSV 文件 (*.csv);;Any files (*)"));
    if (fileName.isNull())
        return;
    const LogColumns shown = columns();
    const TrafficLog &log = *view->log();
    if (!saveFileWith(fileName,
                      [&](QIODevice &file) { return LogExport::writeCsv(log, file, shown); }))
        QMessageBox::warning(window, tr("Warning"), tr("Save file failed!"), QMessageBox::Ok,
                             QMessageBox::NoButton);
}

void LogFeatures::chooseDecoders()
{
    DecoderDialog dialog(*notes, window);
    if (dialog.exec() == QDialog::Accepted)
        dialog.apply();
}
