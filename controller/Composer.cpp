#include "controller/Composer.h"

#include "codec/Gsm.h"
#include "codec/Splitter.h"

namespace Composer {

QString NormalisedText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    qsizetype end = out.size();
    while (end > 0 && out.at(end - 1).isSpace())
        --end;
    out.truncate(end);
    return out;
}

ComposerPreview Preview(const QString& raw, bool flash)
{
    ComposerPreview preview;
    QString text = NormalisedText(raw);
    if (flash && text.size() > FlashLimit) {
        // 70 UTF-16 units; a character of two units is kept whole or left out, never halved.
        text.truncate(text.at(FlashLimit - 1).isHighSurrogate() ? FlashLimit - 1 : FlashLimit);
        text = NormalisedText(text);
        preview.Cut = true;
        preview.CutText = QString(text).replace(QLatin1String("\n"), QLatin1String("\r\n"));
    }
    const SplitResult split = SplitText(text.toStdU16String());
    preview.Encoding = split.alphabet == AlphabetUcs2 ? QStringLiteral("UCS2") : QStringLiteral("GSM");
    if (flash) {
        preview.Symbols = preview.Cut ? QStringLiteral("%1/%1").arg(FlashLimit)
                                      : QStringLiteral("%1/%2").arg(text.size()).arg(FlashLimit);
        preview.Parts = QStringLiteral("-");
        return preview;
    }
    preview.Symbols = QString::number(text.size());
    preview.Parts = split.ok ? QString::number(split.parts.size()) : QStringLiteral("-");
    return preview;
}

bool NumberKeyAllowed(const QString& current, int cursor, int selectionLength, QChar key)
{
    if (key == QLatin1Char('\b'))
        return true;
    const bool selected = selectionLength > 0;
    if (!selected && cursor == 0 && current.startsWith(QLatin1Char('+')))
        return false; // nothing goes in front of the "+"
    if (key.isDigit() && key.unicode() < 0x80)
        return true;
    if (key == QLatin1Char('+'))
        return selected || (cursor == 0 && !current.contains(QLatin1Char('+')));
    return false;
}

QString FilterNumber(const QString& text, int* cursor)
{
    QString kept;
    int keptBeforeCursor = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool keep = (c.isDigit() && c.unicode() < 0x80) || (c == QLatin1Char('+') && kept.isEmpty());
        if (!keep)
            continue;
        kept.append(c);
        if (cursor && i < *cursor)
            ++keptBeforeCursor;
    }
    if (cursor)
        *cursor = keptBeforeCursor;
    return kept;
}

bool FlashKeyAllowed(const QString& text)
{
    return NormalisedText(text).size() < FlashLimit;
}

} // namespace Composer
