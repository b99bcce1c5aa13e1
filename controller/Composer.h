#pragma once
// The composer's decisions without its window: the live preview, the text handed over, the
// number box's key filter and the flash limit.

#include <QString>

struct ComposerPreview
{
    QString Encoding; // "GSM" or "UCS2"
    QString Symbols;  // "12", or "12/70" in flash mode
    QString Parts;    // "2", or "-" in flash mode
    bool Cut = false; // flash mode cut the text to its limit
    QString CutText;  // the text box's new text when Cut
};

namespace Composer {

inline constexpr int FlashLimit = 70;

// CR LF as LF, trailing white space removed: what is sent and stored.
QString NormalisedText(const QString& text);
// The preview counts parts with the encoder's own splitter, so it shows what will be sent.
ComposerPreview Preview(const QString& text, bool flash);
// Whether a key typed into the number box is taken: digits, and "+" only first and only once.
bool NumberKeyAllowed(const QString& current, int cursor, int selectionLength, QChar key);
// Pasted or dropped text kept as the keys would have kept it: digits, and "+" only first.
// cursor: a position in text, moved to the same place in the result.
QString FilterNumber(const QString& text, int* cursor = nullptr);
// Whether the text box takes another character in flash mode.
bool FlashKeyAllowed(const QString& text);

} // namespace Composer
