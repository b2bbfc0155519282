#include "ctl/TerminalQRCode.h"

#include "model/PairingQRCodeRenderer.h"

#include <QImage>

#include <optional>

namespace TerminalQRCode {

namespace {

constexpr int quietZone = 2;
// Large enough that every QR version gets several whole pixels per module.
constexpr int samplingDimension = 1024;
// A finder pattern's top edge is seven dark modules.
constexpr int finderModules = 7;

// Where the modules of a rendered code lie in its image.
struct ModuleGrid {
    int left = 0;
    int top = 0;
    int pitch = 0;
    int modules = 0;
};

bool isDark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

// The top-left finder pattern's first row gives the origin, the module size
// and, with the top-right finder's last pixel, the code's width.
std::optional<ModuleGrid> findGrid(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        int left = -1;
        int right = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (isDark(image, x, y)) {
                left = left < 0 ? x : left;
                right = x;
            }
        }
        if (left < 0) {
            continue;
        }
        int run = 0;
        while (left + run < image.width() && isDark(image, left + run, y)) {
            ++run;
        }
        const int width = right - left + 1;
        if (run % finderModules != 0 || width % (run / finderModules) != 0) {
            return std::nullopt;
        }
        const int pitch = run / finderModules;
        return ModuleGrid{left, y, pitch, width / pitch};
    }
    return std::nullopt;
}

bool isDarkModule(const QImage& image, const ModuleGrid& grid, int column, int row) {
    if (column < 0 || row < 0 || column >= grid.modules || row >= grid.modules) {
        return false;
    }
    return isDark(image, grid.left + column * grid.pitch + grid.pitch / 2,
                  grid.top + row * grid.pitch + grid.pitch / 2);
}

QChar halfBlock(bool upper, bool lower) {
    if (upper && lower) {
        return QChar(0x2588);
    }
    if (upper) {
        return QChar(0x2580);
    }
    return lower ? QChar(0x2584) : QChar(u' ');
}

} // namespace

QStringList lines(const QString& text) {
    const std::optional<QImage> image = PairingQRCodeRenderer::image(text, samplingDimension);
    if (!image) {
        return {};
    }
    const std::optional<ModuleGrid> grid = findGrid(*image);
    if (!grid) {
        return {};
    }
    QStringList result;
    const int first = -quietZone;
    const int end = grid->modules + quietZone;
    for (int row = first; row < end; row += 2) {
        QString line;
        line.reserve(end - first);
        for (int column = first; column < end; ++column) {
            line += halfBlock(isDarkModule(*image, *grid, column, row),
                              isDarkModule(*image, *grid, column, row + 1));
        }
        result.append(line);
    }
    return result;
}

QString render(const QString& text, bool colour) {
    QString out;
    for (const QString& line : lines(text)) {
        if (colour) {
            out += QStringLiteral("\x1b[30;47m") + line + QStringLiteral("\x1b[0m");
        } else {
            out += line;
        }
        out += u'\n';
    }
    return out;
}

} // namespace TerminalQRCode
