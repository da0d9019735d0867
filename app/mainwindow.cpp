#include "app/mainwindow.h"

#include "oplist/rangepattern.h"
#include "transfer/trafficlog.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QRegExpValidator>

// The pictures are compiled into the GUI library, a static one, so they must be registered
// explicitly before the form asks for its icons. (Outside any namespace: the macro declares the
// registration function where it stands.)
static void registerImages()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(images);
        return true;
    }();
    Q_UNUSED(registered);
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    registerImages();
    ui->setupUi(this);
    trafficLog = new TrafficLog(this);
    ui->dataTextBrowser->setLog(trafficLog);
    QCoreApplication::addLibraryPath(QStringLiteral("./plugins"));
    positiveValidator = new QRegExpValidator(QRegExp(QStringLiteral("^[0-9]*[1-9][0-9]*$")), this);
    countValidator = new QRegExpValidator(QRegExp(buildRangePattern(10230)), this);
    logTx = true;
    logRx = true;
    hexDisplay = true;
    cycleRunning = false;
    needsInit = true;
    setupOperationTable();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

void MainWindow::needReInit()
{
    needsInit = true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A list cycle loops inside its own slot; without this it would go on after the window is
    // gone. The auto-start timer must not fire into a closed window either.
    closing = true;
    cycleRunning = false;
    stopAutoStart();
    for (QEventLoop *wait : qAsConst(delayLoops))
        wait->quit();
    event->accept();
}
