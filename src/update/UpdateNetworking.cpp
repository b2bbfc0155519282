#include "update/UpdateNetworking.h"

#include "runtime/CompanionAPIError.h"

#include <QTimer>

namespace UpdateNetworking {

void abortAfter(QNetworkReply* reply, std::chrono::milliseconds total) {
    QTimer::singleShot(total, reply, [reply] {
        if (reply->isRunning()) {
            reply->abort();
        }
    });
}

int statusCode(const QNetworkReply& reply) {
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

namespace {

bool failedBelowHTTP(const QNetworkReply& reply) {
    if (reply.error() == QNetworkReply::NoError) {
        return false;
    }
    const int status = statusCode(reply);
    return status == 0 || (status >= 200 && status <= 299);
}

} // namespace

void throwIfFailedBelowHTTP(const QNetworkReply& reply) {
    if (!failedBelowHTTP(reply)) {
        return;
    }
    switch (reply.error()) {
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        throw TransportError::timedOut();
    default:
        throw TransportError(reply.error(), reply.errorString());
    }
}

void abortAll(QNetworkAccessManager& manager) {
    for (QNetworkReply* reply : manager.findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly)) {
        reply->setParent(nullptr);
        reply->abort();
    }
}

} // namespace UpdateNetworking
