#pragma once

#include "model/StatusTint.h"
#include "ui/components/CompanionTextStyle.h"

#include <QLabel>

#include <optional>

// A text in one of the type styles, in the primary, secondary or a status
// colour that follows the palette (light and dark). It wraps at word
// boundaries and, for a word longer than the line (a URL, a token, a hostile
// label), anywhere, so no runtime text can widen the window. A single-line
// label elides instead and shows the whole text as its tooltip.
class CompanionLabel : public QLabel {
    Q_OBJECT
public:
    enum class Tone { Primary, Secondary };

    explicit CompanionLabel(CompanionTextStyle style, QWidget* parent = nullptr);
    CompanionLabel(const QString& text, CompanionTextStyle style, QWidget* parent = nullptr);

    void setTone(Tone tone);
    // A status colour instead of the tone; nullopt returns to the tone.
    void setTint(std::optional<StatusTint> tint);
    std::optional<StatusTint> tint() const { return m_tint; }
    void setWeight(QFont::Weight weight);
    // One line, elided at the end.
    void setSingleLine(bool singleLine);
    // Sets the text, leaving the label alone when it is unchanged.
    void setTextIfChanged(const QString& text);
    // The colour the text is drawn in.
    QColor textColour() const;

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Tone m_tone = Tone::Primary;
    std::optional<StatusTint> m_tint;
    bool m_singleLine = false;
};
