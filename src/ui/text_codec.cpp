#include "ui/text_codec.h"

#include "platform/utf8.h"

namespace qb {

namespace {

// 0x80..0x9F; the five unassigned bytes keep their C1 code points so every byte round-trips.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString FromStoreText(std::string_view bytes) {
    // Names other Linux programs wrote (and new folder names) are UTF-8.
    if (!IsAscii(bytes) && IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* p = out.data();
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        *p++ = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(char16_t(b));
    }
    return out;
}

std::optional<std::string> ToStoreText(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar ch : text) {
        char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        int found = -1;
        for (int i = 0; i < 32; ++i) {
            if (kHigh[i] == u) {
                found = i;
                break;
            }
        }
        if (found < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(0x80 + found));
    }
    return out;
}

std::optional<std::string> ToFileNameText(const QString& text) {
    if (!text.isValidUtf16())
        return std::nullopt;
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace qb
