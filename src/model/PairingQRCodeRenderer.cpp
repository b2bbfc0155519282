#include "model/PairingQRCodeRenderer.h"

#include <QByteArray>
#include <qrencode.h>

#include <cstring>
#include <memory>

namespace PairingQRCodeRenderer {

namespace {

constexpr int quietZone = 1;

// One pixel per module, quiet zone included.
QImage moduleImage(const QRcode& code) {
    const int size = code.width + 2 * quietZone;
    QImage image(size, size, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    for (int y = 0; y < code.width; ++y) {
        uchar* line = image.scanLine(y + quietZone);
        for (int x = 0; x < code.width; ++x) {
            if (code.data[static_cast<ptrdiff_t>(y) * code.width + x] & 1) {
                line[x + quietZone] = 0;
            }
        }
    }
    return image;
}

} // namespace

std::optional<QImage> image(const QString& text, int dimension) {
    if (text.trimmed().isEmpty() || dimension <= 0) {
        return std::nullopt;
    }
    const QByteArray bytes = text.toUtf8();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(bytes.size()),
                          reinterpret_cast<const unsigned char*>(bytes.constData()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code) {
        return std::nullopt;
    }

    const QImage modules = moduleImage(*code);
    const int scale = dimension / modules.width();
    if (scale == 0) {
        return modules.scaled(dimension, dimension, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    // Whole pixels per module keep every module the same size; the rest is white margin.
    const QImage scaled = modules.scaled(modules.width() * scale, modules.height() * scale,
                                         Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const int offset = (dimension - scaled.width()) / 2;
    QImage result(dimension, dimension, QImage::Format_Grayscale8);
    result.fill(Qt::white);
    for (int y = 0; y < scaled.height(); ++y) {
        std::memcpy(result.scanLine(offset + y) + offset, scaled.constScanLine(y),
                    static_cast<size_t>(scaled.width()));
    }
    return result;
}

} // namespace PairingQRCodeRenderer
