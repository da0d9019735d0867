// kavris-run's checks of a list before the first transfer.

#include "cli/listcheck.h"

#include "cli/runoptions.h"
#include "oplist/listfile.h"
#include "transfer/hextokennotes.h"

#include <QCoreApplication>
#include <QTextStream>

namespace
{

// A list of a hundred thousand garbled rows warns about the first ones, then counts the rest.
constexpr int namedTokens = 20;

// The context of these texts in the catalogue, where lupdate finds them by this name.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(ListCheck)
};

// Warns about (or, strict, refuses) the tokens of the rows that will run and send data; false
// when the list is refused.
bool checkTokens(const RunOptions &options, const QVector<ListRow> &file,
                 const QVector<OperationRow> &rows, QTextStream &err)
{
    int found = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const OperationRow &row = rows.at(i);
        const QVector<HexTokenIssue> issues = sentTokenIssues(row);
        for (const HexTokenIssue &issue : issues) {
            if (++found > namedTokens)
                continue;
            const bool wide = issue.kind == HexTokenIssue::Kind::TooWide;
            const QString token = quotedHexToken(row.writeData, issue);
            const QString byte = formatHexBytes(&issue.byte, 1).trimmed();
            err << "kavris-run: " << options.listFile << ':' << file.at(i).line << ": "
                << (options.strict ? (wide ? Text::tr("\"%1\" is wider than a byte (--strict)")
                                           : Text::tr("\"%1\" is not a hex number (--strict)"))
                                         .arg(token)
                                   : (wide ? Text::tr("\"%1\" is wider than a byte; sent as %2")
                                           : Text::tr("\"%1\" is not a hex number; sent as %2"))
                                         .arg(token, byte))
                << "\n";
        }
    }
    if (found > namedTokens)
        err << "kavris-run: " << options.listFile << ": "
            << Text::tr("%1 more tokens not sent as written").arg(found - namedTokens) << "\n";
    return found == 0 || !options.strict;
}

} // namespace

int loadListForRun(const RunOptions &options, QTextStream &err, QVector<OperationRow> *rows)
{
    const QString &path = options.listFile;
    ListFileError error = ListFileError::None;
    const QVector<ListRow> file = readListFileFrom(path, &error);
    if (error == ListFileError::Unreadable) {
        err << Text::tr("kavris-run: cannot read %1").arg(path) << "\n";
        return RunUsage;
    }
    if (error != ListFileError::None) {
        err << "kavris-run: " << path << ": " << listFileErrorText(error) << "\n";
        return RunUsage;
    }
    if (file.isEmpty()) {
        err << "kavris-run: " << path << ": " << Text::tr("no rows") << "\n";
        return RunUsage;
    }
    QVector<RowProblem> problems;
    *rows = toOperationRows(file, options.panel.isMaster(), &problems);
    const QString refused = Text::tr("refused, nothing sent");
    if (!problems.isEmpty()) {
        for (const QString &paragraph : rowProblemsMessage(problems).split(QLatin1Char('\n')))
            err << "kavris-run: " << paragraph << "\n";
        err << "kavris-run: " << path << ": " << refused << "\n";
        return RunUsage;
    }
    if (!checkTokens(options, file, *rows, err)) {
        err << "kavris-run: " << path << ": " << refused << "\n";
        return RunUsage;
    }
    return RunOk;
}
