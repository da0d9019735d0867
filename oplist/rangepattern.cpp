#include "oplist/rangepattern.h"

#include <QVector>

QString buildRangePattern(int N)
{
    QVector<int> D; // digits, least significant first
    for (int rest = N; rest > 0; rest /= 10)
        D.append(rest % 10);
    const int n = D.size();
    if (n == 0)
        return QStringLiteral("(^\\t?$)");

    QString pattern = QStringLiteral("^(");
    for (int k = n - 2; k >= -1; --k) {
        if (k == n - 2) {
            pattern += QStringLiteral("[1-%1]").arg(D[n - 1]);
            for (int t = n - 2; t >= 0; --t)
                pattern += QStringLiteral("[0-%1]").arg(D[t]);
            if (D[n - 1] > 1 && n > 1)
                pattern += QStringLiteral("|[1-%1][0-9]{0,%2}").arg(D[n - 1] - 1).arg(n - 1);
            continue;
        }
        if (n <= 2)
            continue;
        pattern += QLatin1Char('|');
        for (int j = n - 1; j >= k + 2; --j)
            pattern += (j == n - 1 ? QStringLiteral("[1-%1]") : QStringLiteral("[0-%1]")).arg(D[j]);
        pattern += QStringLiteral("[0-%1]").arg(D[k + 1] == 0 ? 0 : D[k + 1] - 1);
        if (k == -1)
            break;
        pattern += QStringLiteral("[0-9]{0,%1}").arg(k);
    }
    if (n != 1) {
        pattern += QStringLiteral("|[1-9]");
        if (n != 2)
            pattern += QStringLiteral("[0-9]{0,%1}").arg(n - 2);
    }
    pattern += QStringLiteral(")$|(^\\t?$)");
    return pattern;
}
