#include "adapter/adapterlibrary.h"
#include "app/mainwindow.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Past the file size limit a save must fail with its warning, not kill the unsaved log.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);

    QString error;
    if (!AdapterLibrary::load(AdapterLibrary::defaultCandidates(app.applicationDirPath()),
                              &error)) {
        std::fprintf(stderr, "kavris: %s\n", qPrintable(error));
        return 1;
    }

    MainWindow window;
    window.show();
    return app.exec();
}
