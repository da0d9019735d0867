#include "adapter/adapterlibrary.h"
#include "adapter/callworker.h"
#include "adapter/uilanguage.h"
#include "app/mainwindow.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // Past the file size limit a save must fail with its warning, not kill the unsaved log.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    UiLanguage::install("kavris");

    QString error;
    if (!AdapterLibrary::loadForProgram(app.applicationDirPath(), &error)) {
        std::fprintf(stderr, "kavris: %s\n", qPrintable(error));
        return 1;
    }

    MainWindow window;
    window.show();
    const int code = app.exec();
    // A library call abandoned at closing may still run: end without unloading anything
    // under it.
    if (CallWorker::abandonedCallRunning()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
