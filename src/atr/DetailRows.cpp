#include "atr/DetailRows.h"

std::vector<DetailRow> PairDetailRows(const std::vector<std::string>& texts)
{
    std::vector<DetailRow> rows;
    rows.reserve((texts.size() + 1) / 2);
    for (std::size_t i = 0; i < texts.size(); i += 2)
        rows.push_back({texts[i], i + 1 < texts.size() ? texts[i + 1] : std::string()});
    return rows;
}
