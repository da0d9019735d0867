// The JUnit XML report, written with QXmlStreamWriter.

#include "cli/junitreport.h"

#include <QDateTime>
#include <QSysInfo>
#include <QXmlStreamWriter>

#include <algorithm>

namespace
{

// Characters XML 1.0 does not allow (controls other than tab and line breaks, lone
// surrogates, FFFE and FFFF) become U+FFFD: a report must stay readable whatever an adapter
// said.
QString xmlText(const QString &text)
{
    QString out = text;
    for (int i = 0; i < out.size(); ++i) {
        const ushort c = out.at(i).unicode();
        const bool surrogatePair = QChar::isHighSurrogate(c) && i + 1 < out.size() &&
                                   QChar::isLowSurrogate(out.at(i + 1).unicode());
        if (surrogatePair) {
            ++i;
            continue;
        }
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || QChar::isSurrogate(c) ||
            c == 0xFFFE || c == 0xFFFF)
            out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 3);
}

} // namespace

QByteArray junitReport(const QString &suite, const QVector<JUnitCase> &cases)
{
    int failures = 0;
    double total = 0;
    for (const JUnitCase &testCase : cases) {
        failures += testCase.exitCode != 0;
        total = std::max(total, testCase.seconds); // the adapters ran at the same time
    }
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("testsuites"));
    writer.writeAttribute(QStringLiteral("tests"), QString::number(cases.size()));
    writer.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    writer.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    writer.writeAttribute(QStringLiteral("time"), secondsText(total));
    writer.writeStartElement(QStringLiteral("testsuite"));
    writer.writeAttribute(QStringLiteral("name"), xmlText(suite));
    writer.writeAttribute(QStringLiteral("tests"), QString::number(cases.size()));
    writer.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    writer.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    writer.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
    writer.writeAttribute(QStringLiteral("time"), secondsText(total));
    writer.writeAttribute(QStringLiteral("timestamp"),
                          QDateTime::currentDateTime().toString(Qt::ISODate));
    writer.writeAttribute(QStringLiteral("hostname"), QSysInfo::machineHostName());
    for (const JUnitCase &testCase : cases) {
        writer.writeStartElement(QStringLiteral("testcase"));
        writer.writeAttribute(QStringLiteral("name"), xmlText(testCase.name));
        writer.writeAttribute(QStringLiteral("classname"), QStringLiteral("kavris-run"));
        writer.writeAttribute(QStringLiteral("time"), secondsText(testCase.seconds));
        if (testCase.exitCode != 0) {
            writer.writeStartElement(QStringLiteral("failure"));
            writer.writeAttribute(QStringLiteral("message"), xmlText(testCase.message));
            writer.writeAttribute(QStringLiteral("type"),
                                  QStringLiteral("exit %1").arg(testCase.exitCode));
            writer.writeCharacters(xmlText(testCase.errorText));
            writer.writeEndElement();
        } else if (!testCase.errorText.isEmpty()) {
            writer.writeTextElement(QStringLiteral("system-err"), xmlText(testCase.errorText));
        }
        writer.writeEndElement();
    }
    writer.writeEndDocument();
    return xml;
}
