// A USSD templates file of any bytes: decoded by its byte order mark, cut into lines, and the
// code of every line taken as the window does when a template is chosen.
#include "ussd/Templates.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = ussd::DecodeTemplatesText(bytes);
    const QStringList lines = ussd::TemplateLines(text);
    QStringList items;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty() || line.contains(u'\n'))
            std::abort();
        const QString code = ussd::TemplateCode(line);
        if (code.size() > line.size())
            std::abort();
        // A code taken from the first "*" runs from that "*" to the last "#".
        const qsizetype star = line.indexOf(u'*');
        if (!code.isEmpty() && star >= 0 && (!code.startsWith(u'*') || !code.endsWith(u'#')))
            std::abort();
        if (!code.isEmpty() && ussd::AddRecentRequest(items, code) && items.back() != code)
            std::abort();
    }
    return 0;
}
