#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

// The pairing QR code at 176 × 176 with sharp pixels, on a white rounded
// panel with a thin dark outline: the white margin is the quiet zone phones
// need, also on a dark theme. Without an image it says "Preparing QR code…".
class PairingQRCodeView : public QWidget {
    Q_OBJECT
public:
    static constexpr int codeSize = 176;
    // About four modules of a typical pairing link's code.
    static constexpr int quietZone = 20;

    explicit PairingQRCodeView(QWidget* parent = nullptr);

    void setImage(const std::optional<QImage>& image);
    bool hasImage() const { return !m_image.isNull(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};
