#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

// An HTTP answer of a torrent client, whatever its status.
struct ClientHttpAnswer {
    int status = 0;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    // The first header of that name, compared without regard to case; empty when absent.
    QByteArray header(QByteArrayView name) const {
        for (const auto& [key, value] : headers) {
            if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0) {
                return value;
            }
        }
        return {};
    }
};
