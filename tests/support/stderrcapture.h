#pragma once
// What a piece of code writes to standard error (the library's messages go there).

#include <QByteArray>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

template <typename Body> QByteArray stderrOf(Body body)
{
    QTemporaryFile capture;
    capture.open();
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    capture.seek(0);
    return capture.readAll();
}
