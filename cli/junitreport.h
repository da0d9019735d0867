#pragma once
// The JUnit XML report kavris-run writes with --junit, for CI servers: one test suite for the
// run, one test case for each adapter, failed when its exit code is not 0, with the error as
// the failure's message and everything the adapter said on standard error as its text.

#include <QByteArray>
#include <QString>
#include <QVector>

struct JUnitCase {
    QString name; // "device 2"
    double seconds = 0;
    int exitCode = 0;
    QString message;   // the error, for a failed case
    QString errorText; // what it wrote to standard error
};

// The report as UTF-8 XML. `suite` names the run ("kavris-run flash write image.bin").
QByteArray junitReport(const QString &suite, const QVector<JUnitCase> &cases);
