#include "companion/IncomingRequest.h"

#include <QHttpServerRequest>

namespace {

QByteArray methodName(QHttpServerRequest::Method method) {
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Connect:
        return "CONNECT";
    case QHttpServerRequest::Method::Trace:
        return "TRACE";
    default:
        return "UNKNOWN";
    }
}

} // namespace

IncomingRequest IncomingRequest::from(const QHttpServerRequest& request) {
    IncomingRequest copy;
    copy.method = methodName(request.method());
    copy.path = request.url().path();
    copy.query = request.query();
    const auto headers = request.headers();
    copy.headers.reserve(headers.size());
    for (const auto& [name, value] : headers) {
        copy.headers.append({name.toLower(), value});
    }
    copy.body = request.body();
    copy.remoteAddress = request.remoteAddress();
    return copy;
}

QByteArray IncomingRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

bool IncomingRequest::hasHeader(QByteArrayView name) const {
    for (const auto& entry : headers) {
        if (entry.first == name) {
            return true;
        }
    }
    return false;
}
