// Any bytes as a ".list" file: the reader never fails, what it reads survives a save and a
// load unchanged, and every row's operation text is either recognised or left for a warning.

#include "oplist/listfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), static_cast<int>(size));
    ListFileError error = ListFileError::TooLarge;
    const QVector<ListRow> rows = readListFile(contents, &error);
    // The fuzzer's inputs stay far below both limits.
    if (error != ListFileError::None || readListFile(writeListFile(rows)) != rows)
        std::abort();
    for (const ListRow &row : rows) {
        Operation operation = Operation::Read;
        if (!parseOperation(row.operation, &operation) && operation != Operation::Read)
            std::abort();
    }
    return 0;
}
