#pragma once
// Finds SQL text that is put together at run time instead of being one fixed text with bound
// parameters: an SQL string literal joined with "+", "+=", "<<" or "%", followed by ".arg(", or
// handed to a formatting function. Functions named in the allowed list may be joined to SQL: they
// must return nothing but string literals (fixed column names, which SQL cannot bind).

#include <string>
#include <vector>

namespace sqlscan {

struct Finding
{
    std::string file;
    int line = 0;
    std::string reason;
};

struct Result
{
    std::vector<Finding> findings;
    int sqlLiterals = 0; // SQL texts seen, so that a scan of nothing cannot pass
};

Result ScanText(const std::string& file, const std::string& text, const std::vector<std::string>& allowed = {});
// Every .cpp and .h file under the folders, recursively.
Result ScanTree(const std::vector<std::string>& folders, const std::vector<std::string>& allowed);

} // namespace sqlscan
