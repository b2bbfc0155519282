#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

// Word substitutions that turn the product's texts into one platform's words.
class WordingRules {
public:
    struct Rule {
        QString from;
        QString to;
    };

    // "from => to" lines; blank lines and lines starting with '#' are skipped.
    // nullopt with the offending line in *error when a line is neither.
    static std::optional<WordingRules> parse(const QString& text, QString* error = nullptr);

    // Every match replaced in one pass (a replacement is never matched again);
    // the text unchanged when no rule applies.
    QString apply(const QString& text) const;

    const QList<Rule>& rules() const noexcept { return m_rules; }

private:
    QList<Rule> m_rules;
    QRegularExpression m_pattern;
};
