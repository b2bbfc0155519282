#include "runtime/WireCoding.h"

namespace WireCoding {

QString snakeCaseKey(QStringView camelCase) {
    QString snake;
    snake.reserve(camelCase.size() + 4);
    const qsizetype size = camelCase.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = camelCase[i];
        if (i > 0 && c.isUpper()) {
            const bool startsRun = !camelCase[i - 1].isUpper();
            // The last capital of a run before a lower-case letter starts the next word (clientIDValue).
            const bool endsRun = i + 1 < size && camelCase[i + 1].isLower();
            if (startsRun || endsRun) {
                snake += u'_';
            }
        }
        snake += c.toLower();
    }
    return snake;
}

QString camelCaseKey(QStringView snakeCase) {
    if (!snakeCase.contains(u'_')) {
        return snakeCase.toString();
    }
    QString camel;
    camel.reserve(snakeCase.size());
    bool first = true;
    for (QStringView part : snakeCase.tokenize(u'_')) {
        if (first || part.isEmpty()) {
            camel += part;
        } else {
            camel += part.front().toUpper();
            camel += part.sliced(1);
        }
        first = false;
    }
    return camel;
}

} // namespace WireCoding
