#pragma once

#include <QImage>
#include <QString>

#include <optional>

// The pairing link as a scannable QR code.
namespace PairingQRCodeRenderer {

// A dimension × dimension image of the text (UTF-8, as given) at error
// correction level M: black modules on white with a one-module quiet zone,
// each module a whole number of pixels and the code centred. Nothing for a
// blank text or a text too long to encode.
std::optional<QImage> image(const QString& text, int dimension);

} // namespace PairingQRCodeRenderer
