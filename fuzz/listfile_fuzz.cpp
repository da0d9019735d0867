// Any bytes as a ".list" file: the reader never fails, and what it reads survives a save and a
// load unchanged.

#include "oplist/listfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const QVector<ListRow> rows = readListFile(contents);
    if (readListFile(writeListFile(rows)) != rows)
        std::abort();
    return 0;
}
