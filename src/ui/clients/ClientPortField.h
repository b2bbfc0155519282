#pragma once

#include <QLineEdit>

#include <optional>

// The Port field of the client editor: it keeps only numeric characters, at
// most five, whether typed or pasted.
class ClientPortField : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int maximumDigits = 5;

    explicit ClientPortField(QWidget* parent = nullptr);

    // A base-10 integer (optional sign, ASCII digits only) in 1…65535; none
    // for empty, malformed or out-of-range text.
    static std::optional<int> parsedPort(const QString& text);

    std::optional<int> port() const { return parsedPort(text()); }

Q_SIGNALS:
    // After filtering: the port the text now gives, or 0.
    void portChanged(int port);

private:
    void filter(const QString& text);
};
