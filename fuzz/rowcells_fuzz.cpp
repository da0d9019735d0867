// Any text in an operation row's cells, as a list file or the user leaves it: the operation,
// the write data as the list run parses it, and the count and delay numbers.

#include "oplist/listfile.h"
#include "oplist/rowvalues.h"
#include "transfer/bytetext.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString cell =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    Operation operation = Operation::Read;
    if (parseOperation(cell, &operation) !=
        (cell == QString::fromUtf8("写数据") || cell == QString::fromUtf8("读数据") ||
         cell == QString::fromUtf8("写读数据")))
        std::abort();

    // The list run reads write data with the signed conversion: one byte per blank-separated
    // token.
    const QByteArray bytes = parseHexBytes(cell, HexConversion::Signed);
    if (bytes.size() > cell.size())
        std::abort();

    // A number the cell reads as, written back the program's way, reads the same.
    const int number = rowNumber(cell);
    if (rowNumber(QString::number(number)) != number ||
        rowNumber(QLatin1Char(' ') + cell + QLatin1Char('\t')) != number)
        std::abort();
    // A cell said plainly runs as the number it says, never below zero; the program's own
    // writing of a number is plain exactly when the number is not negative.
    if ((isPlainRowNumber(cell) && number < 0) ||
        isPlainRowNumber(QString::number(number)) != (number >= 0))
        std::abort();
    return 0;
}
