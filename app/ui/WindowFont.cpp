#include "app/ui/WindowFont.h"

#include "app/base/Settings.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cmath>

namespace app::ui {

namespace {

constexpr std::size_t kWeightOffset = 16;
constexpr std::size_t kItalicOffset = 20;
constexpr std::size_t kUnderlineOffset = 21;
constexpr std::size_t kStrikeOutOffset = 22;
constexpr std::size_t kFaceOffset = 28;
constexpr std::size_t kFaceUnits = 32;
// Of a positive height (the character cell), the em is about this much.
constexpr double kEmOfCell = 0.85;

// Made on first use: a font needs the application object.
QFont& windowFont() {
    static QFont font;
    return font;
}

QFont& boldItalicFont() {
    static QFont font;
    return font;
}

std::int32_t readLong(const std::vector<std::uint8_t>& record, std::size_t offset) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) {
        bits = (bits << 8) | record[offset + static_cast<std::size_t>(i)];
    }
    return static_cast<std::int32_t>(bits);
}

void writeLong(std::vector<std::uint8_t>& record, std::size_t offset, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        record[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

bool isWindowsOnlyFace(const QString& face) {
    return face.isEmpty() || face == QLatin1String("MS Sans Serif") || face == QLatin1String("MS Shell Dlg") ||
           face == QLatin1String("MS Shell Dlg 2");
}

} // namespace

QFont FontFromRecord(const std::vector<std::uint8_t>& record) {
    QFont font = QApplication::font();
    if (record.size() != kFontRecordSize) {
        return font;
    }
    std::int32_t height = readLong(record, 0);
    if (height < 0) {
        font.setPixelSize(-height);
    } else if (height > 0) {
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(height * kEmOfCell))));
    }
    std::int32_t weight = readLong(record, kWeightOffset);
    if (weight > 0) {
        font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    }
    font.setItalic(record[kItalicOffset] != 0);
    font.setUnderline(record[kUnderlineOffset] != 0);
    font.setStrikeOut(record[kStrikeOutOffset] != 0);
    QString face;
    for (std::size_t i = 0; i < kFaceUnits; ++i) {
        auto unit = static_cast<char16_t>(record[kFaceOffset + 2 * i] | (record[kFaceOffset + 2 * i + 1] << 8));
        if (unit == 0) {
            break;
        }
        face.append(QChar(unit));
    }
    if (!isWindowsOnlyFace(face)) {
        font.setFamily(face);
    }
    return font;
}

std::vector<std::uint8_t> RecordFromFont(const QFont& font) {
    std::vector<std::uint8_t> record(kFontRecordSize, 0);
    int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    writeLong(record, 0, -pixels);
    writeLong(record, kWeightOffset, font.weight());
    record[kItalicOffset] = font.italic() ? 1 : 0;
    record[kUnderlineOffset] = font.underline() ? 1 : 0;
    record[kStrikeOutOffset] = font.strikeOut() ? 1 : 0;
    QString face = font.family().left(static_cast<qsizetype>(kFaceUnits - 1));
    for (qsizetype i = 0; i < face.size(); ++i) {
        char16_t unit = face.at(i).unicode();
        record[kFaceOffset + 2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(unit & 0xff);
        record[kFaceOffset + 2 * static_cast<std::size_t>(i) + 1] = static_cast<std::uint8_t>(unit >> 8);
    }
    return record;
}

void ApplyFont(QWidget& mainWindow) {
    ApplyFont(mainWindow, FontFromRecord(GetFontRecord()));
}

void ApplyFont(QWidget& mainWindow, const QFont& font) {
    windowFont() = font;
    boldItalicFont() = font;
    boldItalicFont().setWeight(QFont::Bold);
    boldItalicFont().setItalic(true);
    // Children without a font of their own inherit it; the grid restyles its headers on the
    // font change it receives.
    mainWindow.setFont(font);
    // Re-run the layout with the new sizes.
    QEvent relayout(QEvent::LayoutRequest);
    QApplication::sendEvent(&mainWindow, &relayout);
    mainWindow.update();
}

QFont CurrentWindowFont() {
    return windowFont();
}

QFont CurrentBoldItalicFont() {
    return boldItalicFont();
}

} // namespace app::ui
