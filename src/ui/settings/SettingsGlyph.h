#pragma once

#include <QString>
#include <QWidget>

// A symbol in a small rounded square tinted with the accent colour: the
// leading mark of every settings row and section.
class SettingsGlyph : public QWidget {
    Q_OBJECT
public:
    explicit SettingsGlyph(QString symbol, QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    const QString& symbol() const noexcept { return m_symbol; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};
