// An adapter library that lacks most entries, for the test of the program's start.

#include "adapter/telkor.h"

extern "C" TELKOR_API int32_t AdapterScan(int32_t)
{
    return 1;
}

extern "C" TELKOR_API int32_t AdapterOpen(int32_t)
{
    return 1;
}
