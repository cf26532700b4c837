#include "app/QtConvert.h"

#include <QFile>

#include "base/CodePage.h"
#include "form/Control.h"

namespace varnisk {

QString fromCp1252(std::string_view bytes) { return QString::fromStdString(cp1252ToUtf8(bytes)); }

std::string toCp1252(const QString& text) { return utf8ToCp1252(text.toStdString()); }

QString fromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string toPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QColor toQColor(std::uint32_t windowsColour) {
    std::uint32_t c = resolveColour(windowsColour);
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                  static_cast<int>((c >> 16) & 0xFFu));
}

std::uint32_t fromQColor(const QColor& colour) {
    QColor rgb = colour.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
           (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

std::optional<CustomColour> parseCustomColour(std::string_view entry) {
    constexpr std::string_view prefix = "color";
    if (entry.size() != prefix.size() + 8) return std::nullopt;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if ((entry[i] | 0x20) != prefix[i]) return std::nullopt;
    }
    char letter = static_cast<char>(entry[prefix.size()] & ~0x20);
    if (letter < 'A' || letter > 'P' || entry[prefix.size() + 1] != '=') return std::nullopt;
    std::uint32_t value = 0;
    for (char ch : entry.substr(prefix.size() + 2)) {
        int digit;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        else if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        else return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return CustomColour{letter - 'A', value};
}

QStringList toNameFilters(std::string_view windowsFilter) {
    QStringList parts = fromCp1252(windowsFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        const QString shown = QStringLiteral("(") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        // A description that already ends with its patterns ("Camset file
        // (*.cam)") is not given them twice.
        const QString description = parts[i].trimmed();
        filters << (description.endsWith(shown) ? description : description + QLatin1Char(' ') + shown);
    }
    return filters;
}

QString toQtFilter(std::string_view windowsFilter) { return toNameFilters(windowsFilter).join(QStringLiteral(";;")); }

}  // namespace varnisk
