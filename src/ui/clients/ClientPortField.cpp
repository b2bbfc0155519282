#include "ui/clients/ClientPortField.h"

ClientPortField::ClientPortField(QWidget* parent) : QLineEdit(parent) {
    setInputMethodHints(Qt::ImhDigitsOnly);
    connect(this, &QLineEdit::textChanged, this, &ClientPortField::filter);
}

std::optional<int> ClientPortField::parsedPort(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    qsizetype start = 0;
    bool negative = false;
    if (text.front() == QLatin1Char('+') || text.front() == QLatin1Char('-')) {
        negative = text.front() == QLatin1Char('-');
        start = 1;
    }
    if (start == text.size()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        // Anything past the port range is out of range anyway; stopping here
        // also keeps a 64-bit overflow from wrapping into range.
        value = value * 10 + (c - u'0');
        if (value > 65535) {
            return std::nullopt;
        }
    }
    if (negative || value < 1) {
        return std::nullopt;
    }
    return int(value);
}

void ClientPortField::filter(const QString& text) {
    QString digits;
    for (const QChar character : text) {
        if (character.isNumber() && digits.size() < maximumDigits) {
            digits.append(character);
        }
    }
    if (digits != text) {
        // Setting the text runs this again with the filtered text.
        const int cursor = std::min<int>(cursorPosition(), int(digits.size()));
        setText(digits);
        setCursorPosition(cursor);
        return;
    }
    Q_EMIT portChanged(parsedPort(digits).value_or(0));
}
