#pragma once
// The values the folder rows are sorted and found by: date and time read fast, the text keys,
// the multipart key, and a sort of many rows on packed keys.

#include "controller/MessageFolders.h"

#include <QDate>
#include <QHashFunctions>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace FolderKeys {

// The key a text key compares by: 4 and 5 both compare the message text.
inline int TextKeyOf(int magnitude)
{
    switch (magnitude) {
    case 3: return 3;
    case 4:
    case 5: return 4;
    case 6: return 6;
    default: return 0;
    }
}

// Case-folded one unit for one, as QString folds; true when a unit is a surrogate, which only
// QString's own folding treats right.
inline bool FoldInto(char16_t* out, QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            *out++ = (u >= 'A' && u <= 'Z') ? char16_t(u + ('a' - 'A')) : (u == '\n' ? char16_t(' ') : u);
        else if (c.isSurrogate())
            return true;
        else
            *out++ = c.toCaseFolded().unicode();
    }
    return false;
}

// The text itself when folding leaves it as it is (numbers mostly), so that no copy is made.
inline QString FoldedOrShared(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80 || (c.unicode() >= 'A' && c.unicode() <= 'Z'))
            return text.toCaseFolded();
    return text;
}

// The text a text key compares, case-folded; the message text as the list shows it, its line
// breaks as blanks. Made in one pass: a sort by text folds every row.
inline QString SortTextOf(const SmsData& data, int textKey)
{
    switch (textKey) {
    case 3: return FoldedOrShared(data.GetNumber());
    case 6: return FoldedOrShared(data.DisplayName(false));
    case 4: {
        qsizetype size = 0;
        for (const SmsUnit& unit : data.Units)
            if (!unit.Duplicate)
                size += unit.Text.size();
        QString folded(size, Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(folded.data());
        for (const SmsUnit& unit : data.Units) {
            if (unit.Duplicate)
                continue;
            if (FoldInto(out, unit.Text))
                return data.ListText().toCaseFolded();
            out += unit.Text.size();
        }
        return folded;
    }
    default: return QString();
    }
}

inline bool KnownKey(int key)
{
    return key != 0 && key >= -6 && key <= 6;
}

// Reads up to two digits at text[i]; -1 when there is none.
inline int TwoDigits(const QString& text, qsizetype& i, bool exactlyTwo)
{
    int value = 0;
    int digits = 0;
    while (digits < 2 && i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        value = value * 10 + (text[i].unicode() - '0');
        ++digits;
        ++i;
    }
    if (digits == 0 || (exactlyTwo && digits != 2))
        return -1;
    return value;
}

inline bool Expect(const QString& text, qsizetype& i, char c)
{
    if (i >= text.size() || text[i] != QLatin1Char(c))
        return false;
    ++i;
    return true;
}

// "dd.mm.yyyy" as a Julian day; written out by hand since the format parser is too slow for a
// replay of many rows.
inline bool ParseDay(const QString& text, std::int64_t& day)
{
    qsizetype i = 0;
    const int d = TwoDigits(text, i, false);
    if (d < 0 || !Expect(text, i, '.'))
        return false;
    const int m = TwoDigits(text, i, false);
    if (m < 0 || !Expect(text, i, '.') || text.size() - i != 4)
        return false;
    int y = 0;
    for (; i < text.size(); ++i) {
        if (!text[i].isDigit() || text[i].unicode() >= 128)
            return false;
        y = y * 10 + (text[i].unicode() - '0');
    }
    const QDate date(y, m, d);
    if (!date.isValid())
        return false;
    day = date.toJulianDay();
    return true;
}

// "hh:mm:ss" or "H:mm:ss" as seconds since midnight.
inline bool ParseSecond(const QString& text, int& second)
{
    qsizetype i = 0;
    const int h = TwoDigits(text, i, false);
    if (h < 0 || !Expect(text, i, ':'))
        return false;
    const int m = TwoDigits(text, i, true);
    if (m < 0 || !Expect(text, i, ':'))
        return false;
    const int s = TwoDigits(text, i, true);
    if (s < 0 || i != text.size() || h > 23 || m > 59 || s > 59)
        return false;
    second = h * 3600 + m * 60 + s;
    return true;
}

// The multipart index holds a hash of number, reference and date; a row found by it is checked
// with Matches, so two keys of one hash can only cost a look at the rows, never a wrong join.
inline std::size_t MultipartHashOf(const QString& number, std::int32_t reference, const QString& date)
{
    return qHashMulti(QHashSeed::globalSeed(), number, reference, date);
}

// Sorts rows[from..] under a known signed key, in the order FolderModel::Less gives. The values
// compared sit packed side by side, so a sort of many rows does not chase every row through
// memory; text keys compare a packed prefix first and the whole text only when it ties.
inline void SortRows(std::vector<std::unique_ptr<FolderModel::Row>>& rows, std::size_t from, int key)
{
    struct Item
    {
        std::uint64_t A = 0;
        std::int64_t B = 0;
        std::uint64_t C = 0;
        std::uint64_t Seq = 0;
        FolderModel::Row* Row = nullptr;
        QStringView Text;
    };
    const int magnitude = key < 0 ? -key : key;
    const bool text = TextKeyOf(magnitude) != 0;
    auto ordered = [](std::int64_t v) { return static_cast<std::uint64_t>(v) ^ (std::uint64_t(1) << 63); };
    std::vector<Item> items;
    items.reserve(rows.size() - from);
    for (std::size_t i = from; i < rows.size(); ++i) {
        FolderModel::Row* row = rows[i].get();
        Item item;
        item.Seq = row->Seq;
        item.Row = row;
        if (magnitude == 1) {
            item.A = ordered(row->IdValue);
        } else if (magnitude == 2) {
            item.A = ordered(row->Day);
            item.B = row->Second;
        } else {
            // The first twelve units as integers: numbers and most texts differ within them, so
            // few comparisons reach the texts themselves.
            item.Text = row->SortText;
            std::uint64_t packed[3] = {};
            for (qsizetype c = 0; c < 12; ++c)
                packed[c / 4] = (packed[c / 4] << 16) | (c < item.Text.size() ? item.Text[c].unicode() : 0u);
            item.A = packed[0];
            item.B = static_cast<std::int64_t>(packed[1] ^ (std::uint64_t(1) << 63));
            item.C = packed[2];
        }
        items.push_back(item);
    }
    auto ascending = [text](const Item& a, const Item& b) {
        if (a.A != b.A)
            return a.A < b.A;
        if (a.B != b.B)
            return a.B < b.B;
        if (a.C != b.C)
            return a.C < b.C;
        if (text) {
            const int c = a.Text.compare(b.Text);
            if (c != 0)
                return c < 0;
        }
        return a.Seq < b.Seq;
    };
    if (key > 0)
        std::sort(items.begin(), items.end(), ascending);
    else
        std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) { return ascending(b, a); });
    for (std::size_t i = from; i < rows.size(); ++i)
        (void)rows[i].release();
    for (std::size_t i = 0; i < items.size(); ++i)
        rows[from + i].reset(items[i].Row);
}

} // namespace FolderKeys
