#include "MySineTableLfo.h"

#include <cmath>

namespace my
{

SineTableLfo::SineTableLfo()
    : table (1, 4096)
{
    auto* entries = table.getWritePointer (0);

    for (int i = 0; i < tableSize; ++i)
        entries[i] = std::sin (static_cast<float> (i) * 6.2831855f / static_cast<float> (tableSize));
}

} // namespace my
