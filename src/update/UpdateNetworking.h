#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopedPointer>

#include <chrono>

// Small pieces both the manifest fetch and the image download need.
namespace UpdateNetworking {

using ReplyPointer = QScopedPointer<QNetworkReply, QScopedPointerDeleteLater>;

// Aborts the reply once `total` has passed, however much it is still receiving;
// the request's transfer timeout covers silence in between.
void abortAfter(QNetworkReply* reply, std::chrono::milliseconds total);

// Throws a TransportError when the exchange broke below HTTP: no answer at all,
// or an answer that started with a 2xx status and then failed (cut off, aborted
// by a limit). An aborted exchange (only our limits abort one) reads "The request
// timed out.". A complete answer with any status passes.
void throwIfFailedBelowHTTP(const QNetworkReply& reply);

// The HTTP status, 0 when the answer was not HTTP.
int statusCode(const QNetworkReply& reply);

// An awaiting coroutine resumes only when its reply finishes, and may resume
// later from the event loop: finish every reply and hand it over to the
// coroutine's own ReplyPointer before the manager that owns them goes away.
void abortAll(QNetworkAccessManager& manager);

} // namespace UpdateNetworking
