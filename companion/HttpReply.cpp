#include "companion/HttpReply.h"

HttpReply HttpReply::json(QByteArray body, int status) {
    return {status, QByteArrayLiteral("application/json"), std::move(body), {}};
}

HttpReply HttpReply::text(int status, const QString& sentence) {
    return {status, QByteArrayLiteral("text/plain; charset=utf-8"), sentence.toUtf8(), {}};
}

HttpReply HttpReply::html(QByteArray body) {
    return {200, QByteArrayLiteral("text/html; charset=utf-8"), std::move(body), {}};
}
