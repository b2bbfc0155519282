#pragma once

#include "model/StatusTint.h"

#include <QPixmap>
#include <QWidget>

#include <optional>

// One symbol drawn in the text colour, the secondary colour or a status
// colour of the current palette, so it follows light and dark themes.
class CompanionSymbolIcon : public QWidget {
    Q_OBJECT
public:
    CompanionSymbolIcon(const QString& symbol, int size, QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    QString symbol() const { return m_symbol; }
    void setTint(std::optional<StatusTint> tint);
    // Secondary text colour instead of the primary one (when there is no tint).
    void setSecondary(bool secondary);
    // Draws in the highlighted text colour, for glyphs on an accent fill.
    void setOnAccent(bool onAccent);
    QColor colour() const;
    // Draws the symbol centred in an inset rounded square of this size.
    void setInsetFrame(int frameSize);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_size;
    std::optional<StatusTint> m_tint;
    bool m_secondary = false;
    bool m_onAccent = false;
    int m_frameSize = 0;
    QPixmap m_cache;
    QColor m_cacheColour;
};
