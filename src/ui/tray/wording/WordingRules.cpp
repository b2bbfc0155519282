#include "ui/tray/wording/WordingRules.h"

namespace {

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// Whole words only: a rule starting or ending with a letter does not match
// inside a longer word.
QString wordPattern(const QString& words) {
    QString pattern = QRegularExpression::escape(words);
    if (isWordCharacter(words.front())) {
        pattern.prepend(u"\\b");
    }
    if (isWordCharacter(words.back())) {
        pattern.append(u"\\b");
    }
    return u'(' + pattern + u')';
}

} // namespace

std::optional<WordingRules> WordingRules::parse(const QString& text, QString* error) {
    WordingRules result;
    QStringList alternatives;
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        const qsizetype arrow = trimmed.indexOf(u"=>");
        const QString from = arrow < 0 ? QString() : trimmed.first(arrow).trimmed();
        if (from.isEmpty()) {
            if (error) {
                *error = trimmed;
            }
            return std::nullopt;
        }
        result.m_rules.append({from, trimmed.sliced(arrow + 2).trimmed()});
        alternatives.append(wordPattern(from));
    }
    result.m_pattern = QRegularExpression(alternatives.join(u'|'));
    return result;
}

QString WordingRules::apply(const QString& text) const {
    if (m_rules.isEmpty()) {
        return text;
    }
    QString result;
    qsizetype copied = 0;
    for (auto it = m_pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        // The one capture that took part names the rule.
        qsizetype rule = 0;
        while (match.capturedStart(rule + 1) < 0) {
            ++rule;
        }
        result += QStringView(text).sliced(copied, match.capturedStart() - copied);
        result += m_rules[rule].to;
        copied = match.capturedEnd();
    }
    result += QStringView(text).sliced(copied);
    return result;
}
